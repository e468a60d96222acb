// The company code table: every row, the codes shared by two host codes, and
// texts that match no row.
#include "reply/company_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace zpos {
namespace {

struct CodeCase {
    const char* host;
    const char* pos;
};

class CompanyCodes : public ::testing::TestWithParam<CodeCase> {};

TEST_P(CompanyCodes, MapsToPosCode) {
    char out[3] = {'x', 'x', 'x'};
    map_company_code(GetParam().host, out);
    EXPECT_EQ(out[2], '\0');
    EXPECT_EQ(std::string(out), GetParam().pos) << "host code \"" << GetParam().host << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    EveryRow, CompanyCodes,
    ::testing::Values(CodeCase{"0100", "01"}, CodeCase{"0300", "03"}, CodeCase{"0400", "06"},
                      CodeCase{"0401", "06"}, CodeCase{"0200", "02"}, CodeCase{"0500", "07"},
                      CodeCase{"0800", "08"}, CodeCase{"0801", "32"}, CodeCase{"0900", "33"},
                      CodeCase{"0901", "33"}, CodeCase{"5000", "38"}, CodeCase{"1000", "34"},
                      CodeCase{"1100", "35"}, CodeCase{"0700", "31"}, CodeCase{"0301", "14"},
                      CodeCase{"0600", "05"}, CodeCase{"0306", "05"}, CodeCase{"0201", "11"},
                      CodeCase{"0203", "15"}, CodeCase{"0205", "12"}, CodeCase{"0206", "16"},
                      CodeCase{"0207", "39"}, CodeCase{"0303", "23"}, CodeCase{"0302", "22"},
                      CodeCase{"0304", "24"}, CodeCase{"0202", "13"}, CodeCase{"0310", "29"},
                      CodeCase{"5240", "40"}, CodeCase{"1200", "36"}));

INSTANTIATE_TEST_SUITE_P(
    OnlyFirstFourCount, CompanyCodes,
    ::testing::Values(CodeCase{"02001", "02"}, CodeCase{"0301XYZ", "14"}, CodeCase{"020", "  "},
                      CodeCase{"", "  "}, CodeCase{"0000", "  "}, CodeCase{"9999", "  "},
                      CodeCase{"O100", "  "}, CodeCase{" 100", "  "}, CodeCase{"01", "  "}));

}  // namespace
}  // namespace zpos
