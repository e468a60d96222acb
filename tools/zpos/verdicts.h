// What the POS does after each result of each export and after each response
// code, for zpos's one-line verdict. The rows are written from
// tables/results.tsv and tables/resp_codes.tsv by tables/generate.py into the
// build folder, as is the POS guide's table, so the tool and the guide never
// disagree.
#pragma once

namespace zpos::cli {

struct ResultVerdict {
    const char* export_name;  // send, ack, download
    int value;
    const char* action;
    const char* todo;
};

struct CodeVerdict {
    const char* resp_code;
    const char* action;  // "by result": the function's result decides
    const char* todo;
};

}  // namespace zpos::cli

#include "tools/zpos/verdict_rows.h"
