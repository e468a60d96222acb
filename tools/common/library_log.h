// The library's log lines and link waits as the programs beside it read them
// (zpos-agent's progress of a running call): each line's name and text, and
// the waits that say how long the call can still take. The rows come from
// tables/ (tables/generate.py writes them into the build folder), not from
// the library's own headers, so a program that links the library through its
// public header alone can use it.
#pragma once

namespace zpos::library_log {

struct Line {
    const char* name;
    const char* text;  // CP949 bytes, as the library writes them
    bool format;       // a printf format rather than a fixed text
};

}  // namespace zpos::library_log

#include "tools/common/library_log_rows.h"
