// The security block of a card: layout, the exact-match rule on CARD_NO, the
// one-shot company serial and a store that cannot be written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "security/security_store.h"
#include "tests/common/print.h"
#include "tests/security/store_fixture.h"

namespace zpos::test {
namespace {

const std::string kRecord = "SOFTWARE\\VAN_POS_SECURITY\\1100\\DATA\\12";
const std::string kFlagKey = "SOFTWARE\\VAN_POS_SECURITY\\1100";
const std::string kCompanyKey = "SOFTWARE\\VAN_POS_SECURITY\\COMPANY";
constexpr char kCard[] = "4092123412341234";
constexpr char kRest[] = "2512101";  // after '=': expiry 2512, record "12"

std::string bytes_from(int first, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += static_cast<char>((first + i) & 0xFF);
    return s;
}

class SecurityBlock : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        data_ = bytes_from(0, 48);   // 00 01 .. 2f
        key_ = bytes_from(0, 256);   // every byte value once
        put_string(kRecord, "CARD_NO", kCard);
        put_string(kRecord, "DATE_TIME", "20240315123456");
        put_binary(kRecord, "CRYPT_DATA", data_);
        put_binary(kRecord, "CRYPT_KEY", key_);
    }
    std::string block(const char* card = kCard, const char* rest = kRest) {
        char out[kSecurityBlockMax + 16];
        std::memset(out, 0x55, sizeof out);
        int n = BuildSecurityBlock(out, card, rest);
        EXPECT_EQ(out[n], 0x55) << "wrote past the block";
        return std::string(out, static_cast<std::size_t>(n));
    }
    // Lengths, data, key, then the date and hour.
    std::string plain() const { return "0048" + data_ + "0256" + key_ + "2024031512"; }

    std::string data_, key_;
};

// The company code and serial go after the block while GET_SERIAL reads
// DONE: the code in two characters, the serial in sixteen; once sent, the
// flag reads ZELTA (five bytes, no zero). A serial of two bytes or less, or
// no company key, sends nothing and leaves the flag wanted.
struct SerialCase {
    const char* name;
    const char* code;  // nullptr: no company key
    const char* serial;
    const char* flag;  // nullptr: none
    const char* sent;
    std::string flag_after;
};

class SerialOnce : public SecurityBlock, public ::testing::WithParamInterface<SerialCase> {};

TEST_P(SerialOnce, SentWhileWantedThenMarked) {
    const SerialCase& c = GetParam();
    if (c.code) {
        put_string(kCompanyKey, "COMPANY CODE", c.code);
        put_string(kCompanyKey, "SERIALNO", c.serial);
    }
    if (c.flag) put_string(kFlagKey, "GET_SERIAL", c.flag);
    EXPECT_EQ(block(), plain() + c.sent);
    EXPECT_EQ(get(kFlagKey, "GET_SERIAL"), c.flag_after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SerialOnce,
    ::testing::Values(SerialCase{"SentAndMarked", "K", "S123", "DONE", "K S123            ", "ZELTA"},
                      SerialCase{"LongSerialCutToSixteen", "AB", "123456789012345678", "DONE", "AB1234567890123456",
                                 "ZELTA"},
                      SerialCase{"AlreadySent", "AB", "SERIAL", "ZELTA", "", std::string("ZELTA") + '\0'},
                      SerialCase{"NotWanted", "AB", "SERIAL", nullptr, "", "<absent>"},
                      SerialCase{"LowerCaseDone", "AB", "SERIAL", "done", "", std::string("done") + '\0'},
                      SerialCase{"NoCompanyKey", nullptr, nullptr, "DONE", "", std::string("DONE") + '\0'},
                      SerialCase{"ShortSerial", "AB", "X", "DONE", "", std::string("DONE") + '\0'}),
    RowName{});

// A block only from the record the track's rest names (its third and fourth
// characters), holding every value, for exactly the card asked about.
TEST_F(SecurityBlock, OnlyAWholeRecordOfTheSameCardGivesABlock) {
    const std::string partial = "SOFTWARE\\VAN_POS_SECURITY\\1100\\DATA\\07";  // no CRYPT_KEY
    put_string(partial, "CARD_NO", kCard);
    put_string(partial, "DATE_TIME", "20240315123456");
    put_binary(partial, "CRYPT_DATA", data_);
    struct Case {
        const char* stored;
        const char* asked;
        const char* rest;
        bool block;
    };
    for (Case c : {Case{kCard, kCard, kRest, true}, Case{"40921234123412349", kCard, kRest, false},
                   Case{kCard, "40921234123412349", kRest, false}, Case{"4092123412341235", kCard, kRest, false},
                   Case{kCard, kCard, "2511", false}, Case{kCard, kCard, "251", false}, Case{kCard, kCard, "", false},
                   Case{kCard, kCard, "2507", false}}) {
        put_string(kRecord, "CARD_NO", c.stored);
        EXPECT_EQ(block(c.asked, c.rest).size(), c.block ? 322u : 0u) << c.stored << " " << c.asked << " " << c.rest;
    }
}

TEST_F(SecurityBlock, StoreThatCannotBeWrittenKeepsTheSerialWanted) {
    put_string(kCompanyKey, "COMPANY CODE", "K");
    put_string(kCompanyKey, "SERIALNO", "S123");
    put_string(kFlagKey, "GET_SERIAL", "DONE");
    // The store's replacement file cannot be created: a folder stands in its place.
    std::string temp = store_ + "." + std::to_string(getpid()) + ".tmp";
    std::filesystem::create_directory(temp);
    EXPECT_NE(MarkSerialSent(), 0);
    char serial[kCompanySerialSize + 1] = {};
    EXPECT_EQ(ReadCompanySerial(serial), 0);
    EXPECT_EQ(block(), plain());
    EXPECT_EQ(get(kFlagKey, "GET_SERIAL"), std::string("DONE") + '\0');
    std::filesystem::remove(temp);
    EXPECT_EQ(block(), plain() + "K S123            ");
}

TEST_F(SecurityBlock, NoStoreAtAll) {
    std::filesystem::remove(store_);
    EXPECT_EQ(block(), "");
    EXPECT_EQ(MarkSerialSent(), -1);
    char serial[kCompanySerialSize + 1] = {};
    EXPECT_EQ(ReadCompanySerial(serial), 0);
}

}  // namespace
}  // namespace zpos::test
