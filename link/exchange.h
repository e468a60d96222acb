// The host exchange: one framed request to the payment host and its reply back,
// over a fresh connection, with the body mask, the ENQ wait, NAK-driven retries
// and the hand-over of the unmasked reply to the reply parser.
#pragma once

#include <cstddef>

#include "support/call_state.h"

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

// The reply parser the exchange hands every reply of 3 or more bytes to.
using ReplyParser = int (*)(char* response, const char* reply, int length, int kind);
// nullptr puts the library's own parser back (none until it is wired).
void set_reply_parser(ReplyParser parser);

// Results:
//    1  reply received and handed to the parser; link socket left open
//   -1  reply time-out after the last retry (resp_code "Time"), reply length
//       not readable, reply body shorter than its length or above 3000 bytes
//   -2  short frame other than ENQ after the last retry
//   -3  socket ready but not readable after the last retry
//   -5  no ENQ, or the request or a NAK not fully sent
//   -6  no connection
// Every negative result leaves the link socket closed. Kinds 2 and 4 run the
// failure count step on -1, -2 and -3. The connection step may rewrite the
// call's host address and port (the secondary address).
int host_exchange(CallState& call, char* response, const char* framed, const char* block, int block_len, int framed_len,
                  int kind);

}  // namespace zpos
