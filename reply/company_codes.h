// The card-company code table: the host's and backup server's four-digit
// company codes mapped to the two-digit codes the POS expects in its response
// record. Used by the reply parser and the backup route.
#pragma once

namespace zpos {

// Writes the POS code of `host_code` and a NUL into `out` (at least 3 bytes):
// two digits for a code in the table, two spaces for anything else. Only the
// first four characters of `host_code` count (the compare stops at a NUL).
void map_company_code(const char* host_code, char out[3]);

}  // namespace zpos
