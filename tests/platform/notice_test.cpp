// The notice on POSIX: standard error, in the encoding of the terminal the
// locale names (UTF-8 text for a UTF-8 locale, the CP949 bytes otherwise).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "support/korean_texts.h"
#include "tests/common/app_dir.h"

namespace zpos::test {
namespace {

// What one notice writes to standard error under the given locale variables
// (nullptr: unset).
std::string notice_on_stderr(const char* lc_all, const char* lc_ctype, const char* lang) {
    auto put = [](const char* name, const char* value) {
        if (value) setenv(name, value, 1); else unsetenv(name);
    };
    put("LC_ALL", lc_all);
    put("LC_CTYPE", lc_ctype);
    put("LANG", lang);
    AppDir dir;
    std::string path = dir.file("stderr");
    std::fflush(stderr);
    int saved = dup(2);
    std::FILE* f = std::fopen(path.c_str(), "w");
    dup2(fileno(f), 2);
    platform::show_notice(texts::kNoticeTestPort.cp949, texts::kNoticeTestPort.utf8);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::fclose(f);
    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");
    unsetenv("LANG");
    return read_file(path);
}

TEST(Notice, StandardErrorInTheTerminalsEncoding) {
    const std::string utf8 = "TEST PORT \xEC\x9E\x85\xEB\x8B\x88\xEB\x8B\xA4.\n";  // 입니다.
    const std::string cp949 = "TEST PORT \xC0\xD4\xB4\xCF\xB4\xD9.\n";
    EXPECT_EQ(notice_on_stderr("C.UTF-8", nullptr, nullptr), utf8);
    EXPECT_EQ(notice_on_stderr(nullptr, "ko_KR.utf8", "C"), utf8);
    EXPECT_EQ(notice_on_stderr(nullptr, nullptr, "en_US.UTF-8"), utf8);
    EXPECT_EQ(notice_on_stderr("ko_KR.CP949", nullptr, "en_US.UTF-8"), cp949);  // LC_ALL wins
    EXPECT_EQ(notice_on_stderr(nullptr, nullptr, nullptr), cp949);
}

}  // namespace
}  // namespace zpos::test
