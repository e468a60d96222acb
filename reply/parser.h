// The reply parser: the host's unmasked reply turned into the POS response
// record, by message kind, approved or declined. It converts the keystroke
// runs, splits the fields and writes the response fields of the kind.
#pragma once

#include "support/results.h"

namespace zpos {

// Fills `response` (the 450-byte response record) from the reply body of
// `length` bytes (its last byte is the check byte, not read) for message
// `kind`. The reply itself is not changed; at most 3000 bytes of it are used.
// Kinds other than 1, 2, 4 to 12 and 60 to 64 leave the record as it was.
// A declined kind 4 on the primary route goes to the backup hand-over that
// module start wires into the seam table (none: it is filled as declined,
// and nothing is logged for it). Gives `not_sent` when the reply filled the
// record, or the backup route's result after a hand-over.
BackupRouteResult parse_reply(char* response, const char* reply, int length, int kind);

}  // namespace zpos
