// The record fields and the library's log lines as zpos shows them: each by
// its name, with its meaning. The rows come from tables/ (tables/generate.py
// writes them into the build folder); the library's own headers carry the
// offsets and texts, not the names.
#pragma once

#include "support/log_lines.h"
#include "support/records.h"

namespace zpos::cli {

// Layouts after the common head depend on the transaction, so several names
// share an offset.
enum class Layout { head, card, cheque, points };

struct NamedField {
    const char* name;
    Layout layout;
    Field field;
    const char* meaning;
};

struct LogLine {
    const char* name;
    const char* text;
    bool format;  // a printf format rather than a fixed text
    const char* meaning;
};

}  // namespace zpos::cli

#include "tools/zpos/name_table_rows.h"
