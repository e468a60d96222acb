// The record fields and the library's log lines as zpos shows them: each by
// its name, with its meaning. The rows come from tables/ (tables/generate.py
// writes them into the build folder); the offsets are the public header's and
// the log texts library_log.h's, so zpos needs nothing of the library but what
// a POS has.
#pragma once

#include <cstddef>
#include <iterator>

#include "tools/common/library_log.h"
#include "zposapp_records.h"

namespace zpos::cli {

// A field of a record: Field{ZPOSAPP_FIELD(REQ, TRAN_AMT)}.
struct Field {
    std::size_t offset;
    std::size_t width;
    constexpr Field(int o, int w) : offset(static_cast<std::size_t>(o)), width(static_cast<std::size_t>(w)) {}
};

// Layouts after the common head depend on the transaction, so several names
// share an offset.
enum class Layout { head, card, cheque, points };

struct NamedField {
    const char* name;
    Layout layout;
    Field field;
    const char* meaning;
};

}  // namespace zpos::cli

#include "tools/zpos/name_table_rows.h"

namespace zpos::cli {

static_assert(std::size(kLogMeanings) == std::size(library_log::kLines));

// What a line of library_log::kLines means.
inline const char* meaning_of(const library_log::Line& line) { return kLogMeanings[&line - library_log::kLines]; }

}  // namespace zpos::cli
