// The reply parser: the host's unmasked reply turned into the POS response
// record, by message kind, approved or declined, in three steps the send
// paths call: split (keystroke runs converted, fields split), decide
// (approved or declined) and fill (the response fields of the kind). What
// follows a decline (the backup hand-over) is the caller's to decide.
#pragma once

#include "reply/split.h"

namespace zpos {

// The reply body of `length` bytes (its last byte is the check byte, not
// read; at most 3000 bytes of it are used), its keystroke runs converted,
// split into `fields`. The reply itself is not changed.
void split_host_reply(ParsedReply& fields, const char* reply, int length);

// Whether the host approved.
bool reply_approved(const ParsedReply& fields);

// Fills `response` (the 450-byte response record) from the split reply for
// message `kind`. Kinds other than 1, 2, 4 to 12 and 60 to 64 leave the
// record as it was.
void fill_response(char* response, const ParsedReply& fields, int kind);

// Split and fill, for the kinds that never hand over.
void parse_reply(char* response, const char* reply, int length, int kind);

}  // namespace zpos
