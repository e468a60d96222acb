// The company code the backup route writes for a backup server's four-digit
// company code: the same table the reply parser uses.
#pragma once

namespace zpos {

// Two-character POS code and a NUL into `out` (3 bytes); two blanks for a
// code the table does not hold.
void map_backup_company(const char* host_code, char* out);

}  // namespace zpos
