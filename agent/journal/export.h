// `zpos-agent journal export`: the journal's rows from a date on, as CSV.
#pragma once

#include <cstdio>
#include <string>

namespace zpos::agent {

class Journal;

// `since`: YYYY-MM-DD (UTC). False for a date that is not one.
bool export_csv(Journal& journal, const std::string& since, std::FILE* out);

}  // namespace zpos::agent
