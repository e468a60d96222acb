// Company codes by rule rather than row by row; the result is always a C string.
#include "reply/company_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace zpos {
namespace {

TEST(CompanyCodes, MapByRule) {
    const struct {
        const char* host;
        const char* pos;
    } cases[] = {
        {"0100", "01"}, {"1200", "36"},                                   // first and last row
        {"0400", "06"}, {"0401", "06"}, {"0600", "05"}, {"0306", "05"},  // shared codes
        {"0800", "08"}, {"0801", "32"},                                   // neighbours apart
        {"5000", "38"}, {"5240", "40"},                                   // outside 0xxx
        {"02001", "02"}, {"0301XYZ", "14"},                               // only four count
        {"020", "  "}, {"", "  "}, {"0000", "  "}, {"O100", "  "}, {" 100", "  "},  // unknown
    };
    for (const auto& c : cases) {
        char out[3] = {'x', 'x', 'x'};
        map_company_code(c.host, out);
        EXPECT_EQ(out[2], '\0');
        EXPECT_EQ(std::string(out), c.pos) << "host code \"" << c.host << "\"";
    }
}

}  // namespace
}  // namespace zpos
