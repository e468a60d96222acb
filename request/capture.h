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

// Signature buffer shared with orvik_sign.
inline constexpr std::size_t kSignBufferSize = 2037;
inline constexpr std::size_t kSignReportFlag = 0;  // in: '1' when the daily pad report is due
inline constexpr Field kPadFieldA{2, 15};          // out
inline constexpr Field kPadFieldB{17, 3};          // out
inline constexpr Field kPadFieldC{20, 17};         // in: tran_amt "%-9.9s"; out: field C
inline constexpr std::size_t kSignDataOffset = 37;
inline constexpr int kSignDataMax = 2000;

struct SignatureBuffer {
    std::array<char, kSignBufferSize> bytes{};
    bool report_due() const { return bytes[kSignReportFlag] == '1'; }
    const char* data() const { return bytes.data() + kSignDataOffset; }
};

// PIN buffer shared with general_pin.
inline constexpr std::size_t kPinBufferSize = 69;
inline constexpr std::size_t kPinModeOffset = 0;
inline constexpr std::size_t kPinCardOffset = 2;
inline constexpr std::size_t kPinCardMax = 16;
inline constexpr std::size_t kPinPromptOffset = 19;
inline constexpr std::size_t kPinBlockOffset = 52;
inline constexpr std::size_t kPinBlockSize = 16;

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
// offset 0 '1'), loads the pad library, puts tran_amt at offset 20, calls
// orvik_sign and logs its fields (the three pad-field lines only when
// `log_pad_fields`) and its result. Sets the call's sign_flag to 1 after a
// signature and to 0 when none was obtained. Returns:
//   > 0          that many signature bytes (at most kSignDataMax) at buf.data()
//   kSignRefused the pad refused (result 0 or 2); the message must not be sent
//   kSignNone    no signature (also for a pad result above kSignDataMax);
//                the message goes on without one
// `kind` is the message kind being built (2, 4, 11 or 12).
int capture_signature(CallState& call, const char* request, int kind, SignatureBuffer& buf, bool log_pad_fields);

// The signature step of the host request: thresholds, settings and capture.
struct SignatureStep {
    int length = 0;            // > 0: fields 15 and 16 carry that many bytes
    bool refused = false;      // the whole message is refused
    bool capture_ran = false;  // capture was attempted: fields 18 to 20 follow buf
};
SignatureStep signature_step(CallState& call, const char* request, int kind, SignatureBuffer& buf);

// The PIN step (the kinds whose row has one, with COM_PORT/PIN "YES"): copies the 16
// bytes the pad leaves at offset 52 into `block` and returns true. False when
// the step does not apply or the pad library cannot be used: field 9 is empty.
bool pin_step(const CallState& call, const char* request, int kind, std::span<char, kPinBlockSize> block);

}  // namespace zpos
