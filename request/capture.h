// The two steps that talk to the cardholder while a request is built: the PIN
// step (PIN block for field 9) and the signature step (signature length and
// data, and once a day the pad's report block). Both go through the pad library.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "request/pad_buffers.h"
#include "support/call_state.h"
#include "support/records.h"

namespace zpos {

// The signature and PIN buffers shared with the pad library, sign_buffer:: and
// pin_buffer::, come from tables/pad_buffers.tsv (request/pad_buffers.h in the
// build folder). The most signature bytes a pad may report:
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
