// The host exchange: one framed request to the payment host and its reply back,
// over a fresh connection, with the body mask, the ENQ wait, NAK-driven retries
// and the hand-over of the unmasked reply to the reply parser.
#pragma once

#include <cstddef>

#include "support/call_state.h"
#include "support/results.h"

namespace zpos {

// Limits of the link's buffers.
inline constexpr int kEnqReadSize = 3000;
inline constexpr int kReplyBodySize = 3000;
inline constexpr int kRequestFrameSize = 3500;

// The mask key of a body of `length` bytes: the low byte of the length, or the
// high byte when the low byte is 0.
unsigned char mask_key(unsigned length);
// Masks (or unmasks: the operation is its own inverse) `count` bytes in place:
// byte i becomes byte i XOR ((i + 1) mod 127) XOR key.
void mask_body(unsigned char* bytes, std::size_t count, unsigned char key);

// Builds the request frame (outer length, message length, masked message,
// security block) into `out`; its length, or 0 when it does not fit.
int build_request_frame(unsigned char* out, std::size_t capacity, const char* framed, int framed_len,
                        const char* block, int block_len);

// A time-out after the last NAK writes resp_code "Time". Every result but
// `replied` leaves the link socket closed; the kinds that count failures run
// the failure count step on `failed`, `short_frame` and `not_readable`. The
// connection step may rewrite the call's host address and port (the
// secondary address).
ExchangeResult host_exchange(CallState& call, char* response, const char* framed, const char* block, int block_len,
                             int framed_len, int kind);

}  // namespace zpos
