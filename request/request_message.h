// The host request message: STX, a 13-byte header with the message length,
// thirty FS-terminated fields and the optional TF/PA blocks, ETX. Built front
// to back from one request record for one message kind; the caller frames it.
#pragma once

#include <span>

#include "request/capture.h"
#include "support/call_state.h"
#include "support/fields.h"
#include "support/results.h"
#include "support/wire.h"

namespace zpos {

inline constexpr int kRequestMessageSize = 3000;

// Totals above this one are refused for the payment kinds.
inline constexpr int kAmountLimit = 99999999;

// What one build gave: its result, the bytes written when built (STX
// through ETX; the length field already counts the check byte the caller
// appends at that position) and what its signature step did. A build that
// skipped a wanted signature leaves the caller pause_not_signed() to run.
struct [[nodiscard]] RequestBuilt {
    RequestBuild result;
    int length = 0;
    Signature signature = Signature::not_attempted;
    bool not_signed = false;
};

// Builds the request message for `kind` into `out` from its first byte.
RequestBuilt build_request_message(const CallState& call, const char* request,
                                   std::span<char, kRequestMessageSize> out, int kind);

// The keyed-entry card field shared with the management message: the card
// number (track2 before its first '=' or FS, at most 20 characters), FS, the
// four characters after that separator. Without a separator in the first 20
// characters the card number is empty and the expiry is track2 characters 22
// to 25. Writes no FS after the expiry: the caller ends the field.
void put_split_form(Writer& w, const char* request);

}  // namespace zpos
