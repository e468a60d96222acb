// The field split of a reply and its bounds.
#include "reply/split.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/wire.h"
#include "tests/common/print.h"

namespace zpos {
namespace {

using wire::kFS;

ParsedReply split(const std::string& message) {
    ParsedReply reply;
    reply.clear();
    EXPECT_EQ(split_reply(reply, message.data(), static_cast<int>(message.size())), 0);
    return reply;
}

// STX and six header bytes, then the fields joined by FS.
std::string message_of(std::initializer_list<std::string> fields) {
    std::string joined;
    for (const std::string& f : fields) joined += kFS + f;
    return "\x02" "HHHHHH" + joined.substr(1);
}

// Field 46 holding `body`: 46 separators after field 0.
std::string with_field46(const std::string& body) { return "\x02" "HHHHHH" + std::string(46, kFS) + body; }

struct SplitCase {
    const char* name;
    std::string message;
    std::vector<std::pair<int, std::string>> fields;  // field number, text
};

class ReplySplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ReplySplit, FieldsByNumber) {
    ParsedReply r = split(GetParam().message);
    for (const auto& [number, text] : GetParam().fields) EXPECT_EQ(r.text(number), text) << "field " << number;
}

// Only the first 1025 bytes count: a 950-byte field 0 (kept to 10) puts field
// 46 at byte 1003, so bytes 1003 to 1024 reach it.
INSTANTIATE_TEST_SUITE_P(
    Cases, ReplySplit,
    ::testing::Values(
        SplitCase{"AfterTheHeader", message_of({"0123456789", "LINE ONE", "AUTH", "O", "0100"}),
                  {{0, "0123456789"}, {1, "LINE ONE"}, {2, "AUTH"}, {3, "O"}, {4, "0100"}, {5, ""}, {46, ""}}},
        SplitCase{"TwoSeparatorsGiveAnEmptyField", message_of({"F0", "A", "", "B"}), {{1, "A"}, {2, ""}, {3, "B"}}},
        SplitCase{"SeparatorInsideTheHeader", std::string("\x02" "AB") + kFS + "CDEFGH" + kFS + "X",
                  {{0, ""}, {1, "CDEFGH"}, {2, "X"}}},
        SplitCase{"CutAtCapacity", message_of({"ABCDEFGHIJKLMN", "12345678901234567890", "22", "OK"}),
                  {{0, "ABCDEFGHIJ"}, {1, "1234567890123456"}, {3, "O"}}},
        SplitCase{"EndOfTextStoredWhenThereIsRoom", "\x02" "HHHHHH" + std::string(22, kFS) + "0123456789\x03",
                  {{22, "0123456789\x03"}}},
        SplitCase{"FieldsAfter46Dropped", with_field46("0002AB") + kFS + "MORE" + kFS + "AND MORE",
                  {{46, "0002AB"}, {45, ""}}},
        SplitCase{"Field46DeclaredLength", with_field46("0005ABCDEFG"), {{46, "0005ABCDE"}}},
        SplitCase{"Field46DeclaredZero", with_field46("0000ABCDEFG"), {{46, "0000"}}},
        SplitCase{"Field46DeclaredAsAtoiReadsIt", with_field46("12ABCDEFGHIJKLMNOPQ"), {{46, "12ABCDEFGHIJKLMN"}}},
        SplitCase{"Field46DeclaringNothing", with_field46("ABCDEFG"), {{46, "ABCD"}}},
        SplitCase{"Field46LengthDigitsNearTheEnd", with_field46("00"), {{46, "00"}}},
        SplitCase{"OnlyTheFirst1025Bytes",
                  "\x02" "HHHHHH" + std::string(950, 'P') + std::string(46, kFS) + "0508" + std::string(600, 'Y'),
                  {{0, "PPPPPPPPPP"}, {46, "0508" + std::string(18, 'Y')}}},
        SplitCase{"EmptyMessage", "", {{0, ""}}},
        SplitCase{"StxAlone", "\x02", {{0, ""}}},
        SplitCase{"HeaderAlone", "\x02" "HHHHHH", {{0, ""}}}),
    test::RowName{});

TEST(ReplySplitBounds, Field46DeclaringMoreThanItsSlotIsCutToTheSlot) {
    std::string body = "9999" + std::string(700, 'Z');
    ParsedReply r = split(with_field46(body));
    EXPECT_EQ(r.text(46).size(), 512u);
    EXPECT_EQ(r.text(46).substr(0, 6), "9999ZZ");
    EXPECT_EQ(r.slot(46)[512], '\0');
    EXPECT_EQ(r.slot(45)[0], '\0');
    EXPECT_EQ(r.text(47), "");
    EXPECT_EQ(r.text(-1), "");
}

}  // namespace
}  // namespace zpos
