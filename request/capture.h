// The two steps that talk to the cardholder while a request is built: the PIN
// step (PIN block for field 9) and the signature step (signature length and
// data, and once a day the pad's report block). Both go through the pad library.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "support/call_state.h"
#include "support/records.h"

namespace zpos {

// The signature buffer shared with orvik_sign and the PIN buffer shared with
// general_pin. The generated block comes from tables/pad_buffers.tsv
// (tables/generate.py); edit the table, not the block.
// BEGIN GENERATED pad buffers: tables/generate.py
namespace sign_buffer {
inline constexpr std::size_t kSize = 2037;
inline constexpr Field report_flag{0, 1};  // in: 1 when the day's pad report is due
inline constexpr Field field_a{2, 15};  // out: pad field A of the day's report
inline constexpr Field field_b{17, 3};  // out: pad field B of the day's report
inline constexpr Field field_c{20, 17};  // in: tran_amt, nine characters and a zero; out: pad field C of the report
inline constexpr Field data{37, 2000};  // out: the signature's bytes, as many as the pad's result
}  // namespace sign_buffer
namespace pin_buffer {
inline constexpr std::size_t kSize = 69;
inline constexpr Field mode{0, 2};  // in: 06 for a card, 04 for points
inline constexpr Field card{2, 16};  // in: the card number's last sixteen digits at most; a zero follows
inline constexpr Field prompt{19, 14};  // in: the prompt text and its zero
inline constexpr Field block{52, 16};  // out: the PIN block
}  // namespace pin_buffer
// END GENERATED

// The most signature bytes a pad may report.
inline constexpr int kSignDataMax = static_cast<int>(sign_buffer::data.width);

struct SignatureBuffer {
    std::array<char, sign_buffer::kSize> bytes{};
    bool report_due() const { return bytes[sign_buffer::report_flag.offset] == '1'; }
    const char* data() const { return bytes.data() + sign_buffer::data.offset; }
};

// What the signature step of one build did to the transaction's signature
// flag (the response's sign_flag): a capture sets it or clears it; a step
// that captured nothing, or a capture the pad refused, leaves it as it was.
enum class Signature {
    not_attempted,  // no capture, or one the pad refused: the flag stays
    captured,       // the pad gave a signature: the flag is set
    not_captured,   // no signature came (no pad library, or a result the buffer cannot hold): cleared
};

// The transaction's flag after a build's signature step.
constexpr bool signed_after(bool signed_before, Signature step) {
    if (step == Signature::captured) return true;
    if (step == Signature::not_captured) return false;
    return signed_before;
}

// Total amounts up to this one need no signature (unless the card asks for one).
inline constexpr int kSignThreshold = 50000;
// The pause before "NOT SIGN".
inline constexpr int kNoSignPauseMs = 300;

// Results of capture_signature besides a signature length.
inline constexpr int kSignRefused = 0;  // the pad answered 0 or 2: do not send the message
inline constexpr int kSignNone = -1;    // no signature (pad result < 0, library or entry point missing)

// The signature capture itself, shared by the host request and the backup
// request builders: zeroes `buf`, marks and records the daily pad report
// (SIGNPAD/VALUE "HCS", SIGNPAD/CURDATE not today: CURDATE becomes today and
// report_flag '1'), loads the pad library, puts tran_amt in field_c, calls
// orvik_sign and logs its fields (the three pad-field lines only when
// `log_pad_fields`) and its result. Returns:
//   > 0          that many signature bytes (at most kSignDataMax) at buf.data()
//   kSignRefused the pad refused (result 0 or 2); the message must not be sent
//   kSignNone    no signature (also for a pad result above kSignDataMax);
//                the message goes on without one
int capture_signature(const CallState& call, const char* request, SignatureBuffer& buf, bool log_pad_fields);
// What a capture's result does to the signature flag.
constexpr Signature signature_of(int capture_result) {
    if (capture_result > 0) return Signature::captured;
    return capture_result == kSignRefused ? Signature::not_attempted : Signature::not_captured;
}

// The signature step of the host request: thresholds, settings and capture.
struct SignatureStep {
    int length = 0;            // > 0: fields 15 and 16 carry that many bytes
    bool refused = false;      // the whole message is refused
    bool capture_ran = false;  // capture was attempted: fields 18 to 20 follow buf
    bool not_signed = false;   // a signature was wanted but is not taken (setting off, or cash)
    Signature signature = Signature::not_attempted;
};
SignatureStep signature_step(const CallState& call, const char* request, int kind, SignatureBuffer& buf);

// What the caller of a build that did not take a wanted signature does once
// the build is done: the pause, then "NOT SIGN". The build itself never waits.
void pause_not_signed();

// The PIN step (the kinds whose row has one, with COM_PORT/PIN "YES"): copies the
// block the pad leaves into `block` and returns true. False when
// the step does not apply or the pad library cannot be used: field 9 is empty.
bool pin_step(const CallState& call, const char* request, int kind, std::span<char, pin_buffer::block.width> block);

}  // namespace zpos
