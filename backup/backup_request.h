// The backup request message: STX, "ZLTA", the request code, terminal, entry
// mode, the track 2 enciphered by the backup library, amounts, dates, the
// signature as Base64 text, "N", eleven empty fields, ETX. No length field.
#pragma once

#include <span>

#include "request/request_message.h"
#include "support/module.h"
#include "support/results.h"

namespace zpos {

// What one build gave: its result, its length when built (STX through ETX;
// the caller appends the check byte) and what its signature capture did.
struct [[nodiscard]] BackupRequestBuilt {
    BackupRequestBuild result;
    int length = 0;
    Signature signature = Signature::not_attempted;
};

// Builds the backup request for kind 2 (approval) or 4 (cancellation) into
// `out` from its first byte. Every failure except the amount limit and a pad
// refusal puts the route back to the primary host. The backup server's port
// goes back to its default first.
BackupRequestBuilt build_backup_request(Module& module, const char* request,
                                        std::span<char, kRequestMessageSize> out, int kind);

}  // namespace zpos
