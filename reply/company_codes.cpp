// The company code table as data: one row per host code, first match wins.
// The host codes are distinct, so row order does not change any answer.
#include "reply/company_codes.h"

#include <cstring>

namespace zpos {

namespace {
struct CodeRow {
    char host[5];
    char pos[3];
};

constexpr CodeRow kCodeRows[] = {
    {"0100", "01"}, {"0300", "03"}, {"0400", "06"}, {"0401", "06"}, {"0200", "02"},
    {"0500", "07"}, {"0800", "08"}, {"0801", "32"}, {"0900", "33"}, {"0901", "33"},
    {"5000", "38"}, {"1000", "34"}, {"1100", "35"}, {"0700", "31"}, {"0301", "14"},
    {"0600", "05"}, {"0306", "05"}, {"0201", "11"}, {"0203", "15"}, {"0205", "12"},
    {"0206", "16"}, {"0207", "39"}, {"0303", "23"}, {"0302", "22"}, {"0304", "24"},
    {"0202", "13"}, {"0310", "29"}, {"5240", "40"}, {"1200", "36"},
};
constexpr char kUnknownCode[3] = "  ";
}  // namespace

void map_company_code(const char* host_code, char out[3]) {
    const char* pos = kUnknownCode;
    for (const CodeRow& row : kCodeRows) {
        if (std::strncmp(host_code, row.host, 4) == 0) {
            pos = row.pos;
            break;
        }
    }
    std::memcpy(out, pos, 3);
}

}  // namespace zpos
