// The host exchange: one framed request to the payment host and its reply back,
// over a fresh connection, with the body mask, the ENQ wait and NAK-driven
// retries. It returns what happened and the unmasked reply; what the reply
// means, and what a failure does to the route, is the caller's to decide.
#pragma once

#include <cstddef>
#include <span>

#include "support/module.h"
#include "support/results.h"

namespace zpos {

// Limits of the link's buffers.
inline constexpr int kEnqReadSize = LinkState::kEnqReadSize;
inline constexpr int kReplyBodySize = LinkState::kReplyBodySize;
inline constexpr int kRequestFrameSize = LinkState::kRequestFrameSize;

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

// What one exchange brought back.
struct [[nodiscard]] HostReply {
    ExchangeResult result;
    bool timed_out = false;        // `failed` because nothing came after the last NAK (resp_code "Time")
    std::span<const char> body{};  // `replied`: the unmasked reply, check byte last, in the link's buffer
};

// Every result but `replied` leaves the module's link socket closed. The
// connection step may rewrite the call's host address and port (the secondary
// address).
HostReply host_exchange(Module& module, const char* framed, const char* block, int block_len, int framed_len);

}  // namespace zpos
