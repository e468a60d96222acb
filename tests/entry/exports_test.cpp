// The shared library exports the four entry points and nothing else and needs
// nothing beyond the C library; card_pos calls them through it as a POS does.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/common/app_dir.h"
#include "tests/common/process.h"

namespace zpos::test {
namespace {

// The lines a binutils command prints about the built library.
std::vector<std::string> lines_about_library(std::vector<std::string> command) {
    AppDir dir;
    command.push_back(ZPOSAPP_LIBRARY);
    return lines_of(run_process(command, dir.path()).out);
}

TEST(Exports, ExactlyTheFourEntryPoints) {
    std::set<std::string> names;
    for (const std::string& line : lines_about_library({"nm", "-D", "--defined-only"})) {
        char type = 0;
        char name[400] = {};
        if (std::sscanf(line.c_str(), "%*s %c %399s", &type, name) == 2 && (type == 'T' || type == 'D' || type == 'B'))
            names.insert(name);
    }
    EXPECT_EQ(names, (std::set<std::string>{"Zelta_Ack", "Zelta_OKCashbag", "Zelta_Send", "Zelta_download"}));
}

// A POS image with the C library alone loads the library: the C++ runtime
// and the compiler's support library are linked in, never needed beside it.
TEST(Exports, NeedsTheCLibraryAlone) {
    const std::regex c_library(ZPOSAPP_SANITIZED ? R"(libc\.so\..*|ld-linux.*|libm\.so\..*|lib(a|ub)san\.so\..*)"
                                                 : R"(libc\.so\..*|ld-linux.*)");
    std::vector<std::string> needed;
    for (const std::string& line : lines_about_library({"readelf", "-d"})) {
        std::smatch m;
        if (std::regex_search(line, m, std::regex(R"(\(NEEDED\).*\[(.*)\])"))) needed.push_back(m[1]);
    }
    ASSERT_FALSE(needed.empty()) << "readelf -d listed no NEEDED entry";
    for (const std::string& name : needed) EXPECT_TRUE(std::regex_match(name, c_library)) << "NEEDED " << name;
    // Symbols the C++ runtime (GLIBCXX, CXXABI) or libgcc_s (GCC) would have to supply.
    for (const std::string& line : lines_about_library({"nm", "-D", "--undefined-only"}))
        EXPECT_FALSE(std::regex_search(line, std::regex("@(GLIBCXX|CXXABI|GCC)_"))) << line;
}

}  // namespace
}  // namespace zpos::test
