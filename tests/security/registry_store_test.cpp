// The per-user key-value store that stands in for the registry, and regfill.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "tests/common/app_dir.h"
#include "tests/security/store_fixture.h"

namespace zpos::test {
namespace {

using platform::RegistryAccess;

class RegistryStore : public StoreTest {};

// Text with hex values, a key's newest value first. Names ignore case and a
// value set again is replaced where it stands; keys are separate, a parent no
// key of its own; every byte value comes back.
TEST_F(RegistryStore, FileFormatNamesAndKeys) {
    put_string("Software\\X", "NAME", "AB");
    put_binary("SOFTWARE\\X", "RAW", std::string("\x00\x1c\xff", 3));
    put_string("software\\x", "Name", "22");
    put_string("X\\2", "NAME", "two");
    EXPECT_EQ(read_file(store_),
              "# zposapp registry store\n"
              "K\tSoftware\\X\n"
              "V\tRAW\t3\t001cff\n"
              "V\tName\t1\t323200\n"
              "K\tX\\2\n"
              "V\tNAME\t1\t74776f00\n");
    EXPECT_EQ(get("SOFTWARE\\X", "NAME"), std::string("22") + '\0');
    EXPECT_EQ(get("X\\2", "RAW"), "<absent>");
    EXPECT_EQ(get("X", "NAME"), "<absent>");
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    put_binary("X\\2", "ALL", all);
    EXPECT_EQ(get("x\\2", "all"), all);
}

TEST_F(RegistryStore, StoreIsForItsOwnerOnly) {
    mode_t before = umask(0);
    put_string("SOFTWARE\\X", "NAME", "AB");
    umask(before);
    struct stat st {};
    ASSERT_EQ(stat(store_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

// A string's count includes its zero; a value larger than the buffer is not read.
TEST_F(RegistryStore, QueryFitsTheBufferOrReadsNothing) {
    put_string("K", "S", "DONE");
    put_string("K", "L", "ZELTA!");
    platform::RegistryKey k = platform::registry_open("K", RegistryAccess::read);
    ASSERT_NE(k, nullptr);
    char buf[5] = {};
    int count = -1;
    EXPECT_EQ(platform::registry_query(k, "S", buf, sizeof buf, &count), 0);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(std::string(buf, 5), std::string("DONE") + '\0');
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(platform::registry_query(k, "L", buf, sizeof buf, &count), platform::kRegMoreData);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(std::string(buf, 5), "xxxxx");
    EXPECT_EQ(platform::registry_query(k, "MISSING", buf, sizeof buf, &count), platform::kRegNotFound);
    platform::registry_close(k);
}

// Another process replaces the store, changing the value's hex `from` to `to`.
void replaced_elsewhere(const std::string& store, const char* from, const char* to) {
    std::string text = read_file(store);
    ASSERT_NE(text.find(from), std::string::npos);
    text.replace(text.find(from), 6, to);
    std::ofstream(store + ".other", std::ios::binary) << text;
    ASSERT_EQ(std::rename((store + ".other").c_str(), store.c_str()), 0);
}

// The security program may rewrite a record while the library reads it: one
// open key, or one exported call's held reads, sees one version of the store.
// ("old" is 6f6c64, "new" 6e6577, "two" 74776f.)
TEST_F(RegistryStore, OneOpenKeyReadsOneVersionOfTheStore) {
    put_binary("K", "A", "old");
    platform::RegistryKey reading = platform::registry_open("K", RegistryAccess::read);
    ASSERT_NE(reading, nullptr);
    replaced_elsewhere(store_, "6f6c64", "6e6577");

    char buf[8] = {};
    int count = 0;
    EXPECT_EQ(platform::registry_query(reading, "A", buf, sizeof buf, &count), 0);
    EXPECT_EQ(std::string(buf, count), "old");
    platform::registry_close(reading);
    EXPECT_EQ(get("K", "A"), "new");

    platform::registry_hold_reads(true);
    EXPECT_EQ(get("K", "A"), "new");
    replaced_elsewhere(store_, "6e6577", "74776f");
    EXPECT_EQ(get("K", "A"), "new");
    platform::registry_hold_reads(false);
    platform::registry_hold_reads(true);
    EXPECT_EQ(get("K", "A"), "two");
    platform::registry_hold_reads(false);

    platform::RegistryKey writing = platform::registry_open("K", RegistryAccess::write);
    ASSERT_NE(writing, nullptr);
    ASSERT_EQ(platform::registry_set(writing, "A", platform::kRegBinary, "mine", 4), 0);
    EXPECT_EQ(platform::registry_query(writing, "A", buf, sizeof buf, &count), 0);
    EXPECT_EQ(std::string(buf, count), "mine");
    platform::registry_close(writing);
}

TEST_F(RegistryStore, OpenNeedsAnExistingKeyAndAReadHandleCannotSet) {
    EXPECT_EQ(platform::registry_open("NOPE", RegistryAccess::read), nullptr);  // no store yet
    put_string("K", "S", "a");
    EXPECT_EQ(platform::registry_open("NOPE", RegistryAccess::write), nullptr);
    platform::RegistryKey k = platform::registry_open("k", RegistryAccess::write);
    EXPECT_NE(k, nullptr);
    platform::registry_close(k);
    k = platform::registry_open("K", RegistryAccess::read);
    EXPECT_EQ(platform::registry_set(k, "S", platform::kRegString, "b", 1), platform::kRegAccessDenied);
    platform::registry_close(k);
    EXPECT_EQ(get("K", "S"), std::string("a") + '\0');
}

TEST_F(RegistryStore, StoreBeyond64KiBIsRefused) {
    put_binary("K", "BIG", std::string(30000, '\x11'));  // 60000 hex digits
    std::string before = read_file(store_);
    platform::RegistryKey k = platform::registry_open("K", RegistryAccess::write);
    std::string more(4000, '\x22');
    EXPECT_NE(platform::registry_set(k, "MORE", platform::kRegBinary, more.data(), 4000), 0);
    platform::registry_close(k);
    EXPECT_EQ(read_file(store_), before);
}

TEST_F(RegistryStore, ControlCharactersInNamesAreRefused) {
    platform::RegistryKey k = platform::registry_create("K");
    ASSERT_NE(k, nullptr);
    EXPECT_NE(platform::registry_set(k, "A\tB", platform::kRegString, "x", 1), 0);
    EXPECT_NE(platform::registry_set(k, "A\nB", platform::kRegString, "x", 1), 0);
    platform::registry_close(k);
    EXPECT_EQ(platform::registry_create("BAD\nKEY"), nullptr);
}

TEST_F(RegistryStore, DefaultLocationUnderXdgConfigHome) {
    store_at_.reset();
    std::string xdg = dir_.file("config");
    std::string old_xdg = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    put_string("K", "S", "x");
    EXPECT_EQ(read_file(xdg + "/zposapp/registry.dat"), "# zposapp registry store\nK\tK\nV\tS\t1\t7800\n");
    if (old_xdg.empty()) {
        unsetenv("XDG_CONFIG_HOME");
    } else {
        setenv("XDG_CONFIG_HOME", old_xdg.c_str(), 1);
    }
}

#ifdef ZPOS_REGFILL_PATH
TEST_F(RegistryStore, RegfillWritesStringsRawStringsAndHex) {
    // The tool finds the store where users name it, in its environment.
    const std::string tool = "ZPOS_REGISTRY_FILE='" + store_ + "' " + ZPOS_REGFILL_PATH;
    const std::string key = "'SOFTWARE\\VAN_POS_SECURITY\\1100\\DATA\\12'";
    EXPECT_EQ(std::system((tool + " " + key + " CARD_NO str 4092123412341234").c_str()), 0);
    EXPECT_EQ(std::system((tool + " " + key + " MARK raw ZELTA").c_str()), 0);
    EXPECT_EQ(std::system((tool + " " + key + " CRYPT_DATA hex 00ff10").c_str()), 0);
    EXPECT_NE(std::system((tool + " " + key + " CRYPT_DATA hex 0g").c_str()), 0);
    const std::string k = "SOFTWARE\\VAN_POS_SECURITY\\1100\\DATA\\12";
    EXPECT_EQ(get(k, "CARD_NO"), std::string("4092123412341234") + '\0');
    EXPECT_EQ(get(k, "MARK"), "ZELTA");
    EXPECT_EQ(get(k, "CRYPT_DATA"), std::string("\x00\xff\x10", 3));
}
#endif

}  // namespace
}  // namespace zpos::test
