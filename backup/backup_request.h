// The backup request message: STX, "ZLTA", the request code, terminal, entry
// mode, the track 2 enciphered by the backup library, amounts, dates, the
// signature as Base64 text, "N", eleven empty fields, ETX. No length field.
#pragma once

#include <span>

#include "request/request_message.h"

namespace zpos {

// Results of build_backup_request besides a message length.
inline constexpr int kBackupRequestPadRefused = 0;    // the pad refused the signature
inline constexpr int kBackupRequestFailed = -1;       // backup library failure or amount limit
inline constexpr int kBackupRequestTerminal = -2;     // this terminal may not use the backup route
inline constexpr int kBackupRequestNoEncrypt = -3;    // card with expiry year "99"

// Builds the backup request for kind 2 (approval) or 4 (cancellation) into
// `out` from its first byte and returns its length, STX through ETX; the caller
// appends the check byte. Every failure except the amount limit and a pad
// refusal puts the route back to the primary host.
int build_backup_request(CallState& call, const char* request, std::span<char, kRequestMessageSize> out, int kind);

}  // namespace zpos
