// The field split: header skipping, separators, capacities, the length of
// field 46, and the bounds of the work copy and of field 46's slot.
#include "reply/split.h"

#include <gtest/gtest.h>

#include <string>

#include "support/wire.h"

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
    std::string m = "\x02" "HHHHHH";
    bool first = true;
    for (const std::string& f : fields) {
        if (!first) m += kFS;
        m += f;
        first = false;
    }
    return m;
}

// Field 46 holding `body`: 46 separators after field 0.
std::string with_field46(const std::string& body) { return "\x02" "HHHHHH" + std::string(46, kFS) + body; }

TEST(ParsedReplyLayout, SlotsHoldCapacityPlusTerminator) {
    EXPECT_EQ(ParsedReply::kSlotOffset[1], 11u);
    EXPECT_EQ(ParsedReply::kSlotOffset[4] - ParsedReply::kSlotOffset[3], 2u);
    EXPECT_EQ(ParsedReply::kSlotOffset[47] - ParsedReply::kSlotOffset[46], 513u);
    EXPECT_EQ(kFieldCapacity[20], 24u);
    EXPECT_EQ(kFieldCapacity[45], 1u);
    EXPECT_EQ(ParsedReply{}.text(47), "");
    EXPECT_EQ(ParsedReply{}.text(-1), "");
}

TEST(ReplySplit, FieldsByNumberAfterTheHeader) {
    ParsedReply r = split(message_of({"0123456789", "LINE ONE", "AUTH", "O", "0100"}));
    EXPECT_EQ(r.text(0), "0123456789");
    EXPECT_EQ(r.text(1), "LINE ONE");
    EXPECT_EQ(r.text(2), "AUTH");
    EXPECT_EQ(r.text(3), "O");
    EXPECT_EQ(r.text(4), "0100");
    EXPECT_EQ(r.text(5), "");
    EXPECT_EQ(r.text(46), "");
}

TEST(ReplySplit, TwoSeparatorsGiveAnEmptyField) {
    ParsedReply r = split(message_of({"F0", "A", "", "B"}));
    EXPECT_EQ(r.text(1), "A");
    EXPECT_EQ(r.text(2), "");
    EXPECT_EQ(r.text(3), "B");
}

TEST(ReplySplit, SeparatorInsideTheHeaderCounts) {
    ParsedReply r = split(std::string("\x02" "AB") + kFS + "CDEFGH" + kFS + "X");
    EXPECT_EQ(r.text(0), "");
    EXPECT_EQ(r.text(1), "CDEFGH");
    EXPECT_EQ(r.text(2), "X");
}

TEST(ReplySplit, FieldsAreCutAtTheirCapacity) {
    ParsedReply r = split(message_of({"ABCDEFGHIJKLMN", "12345678901234567890", "22", "OK"}));
    EXPECT_EQ(r.text(0), "ABCDEFGHIJ");
    EXPECT_EQ(r.text(1), "1234567890123456");
    EXPECT_EQ(r.text(3), "O");
}

TEST(ReplySplit, EndOfTextIsStoredWhenTheFieldHasRoom) {
    std::string m = "\x02" "HHHHHH" + std::string(22, kFS) + "0123456789\x03";
    ParsedReply r = split(m);
    EXPECT_EQ(r.text(22), "0123456789\x03");
}

TEST(ReplySplit, FieldsAfter46AreDropped) {
    ParsedReply r = split(with_field46("0002AB") + kFS + "MORE" + kFS + "AND MORE");
    EXPECT_EQ(r.text(46), "0002AB");
    EXPECT_EQ(r.text(45), "");
}

TEST(ReplySplit, Field46KeepsItsDeclaredLength) {
    EXPECT_EQ(split(with_field46("0005ABCDEFG")).text(46), "0005ABCDE");
    EXPECT_EQ(split(with_field46("0000ABCDEFG")).text(46), "0000");
    // atoi of "12AB" is 12: four characters and twelve more.
    EXPECT_EQ(split(with_field46("12ABCDEFGHIJKLMNOPQ")).text(46), "12ABCDEFGHIJKLMN");
    EXPECT_EQ(split(with_field46("ABCDEFG")).text(46), "ABCD");
}

TEST(ReplySplit, Field46DeclaringMoreThanItsSlotIsCutToTheSlot) {
    std::string body = "9999" + std::string(700, 'Z');
    ParsedReply r = split(with_field46(body));
    EXPECT_EQ(r.text(46).size(), 512u);
    EXPECT_EQ(r.text(46).substr(0, 6), "9999ZZ");
    EXPECT_EQ(r.slot(46)[512], '\0');
    EXPECT_EQ(r.slot(45)[0], '\0');
}

TEST(ReplySplit, OnlyTheFirst1025BytesCount) {
    // A 950-byte field 0 (kept to 10) puts field 46 at byte 1003: bytes 1003
    // to 1024 reach it, the rest of its declared 512 does not.
    std::string m = "\x02" "HHHHHH" + std::string(950, 'P') + std::string(46, kFS) + "0508" + std::string(600, 'Y');
    ParsedReply r = split(m);
    EXPECT_EQ(r.text(0), "PPPPPPPPPP");
    EXPECT_EQ(r.text(46), "0508" + std::string(18, 'Y'));
}

TEST(ReplySplit, ShortMessagesLeaveTheReplyEmpty) {
    ParsedReply r = split("");
    EXPECT_EQ(r.text(0), "");
    ParsedReply r1 = split("\x02");
    EXPECT_EQ(r1.text(0), "");
    ParsedReply r7 = split("\x02" "HHHHHH");
    EXPECT_EQ(r7.text(0), "");
}

TEST(ReplySplit, Field46LengthDigitsNearTheEndReadOnlyWhatIsThere) {
    EXPECT_EQ(split(with_field46("00")).text(46), "00");
}

}  // namespace
}  // namespace zpos
