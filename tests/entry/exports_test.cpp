// The shared library exports the four entry points and nothing else, and they
// answer through the loaded library as a POS calls them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <set>
#include <string>

#include "tests/common/records_helper.h"
#include "zposapp.h"

namespace zpos::test {
namespace {

TEST(Exports, ExactlyTheFourEntryPoints) {
    std::string command = std::string("nm -D --defined-only ") + ZPOSAPP_LIBRARY;
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        char type = 0;
        char name[400] = {};
        if (std::sscanf(line, "%*s %c %399s", &type, name) == 2 && (type == 'T' || type == 'D' || type == 'B'))
            names.insert(name);
    }
    pclose(pipe);
    EXPECT_EQ(names, (std::set<std::string>{"Zelta_Ack", "Zelta_OKCashbag", "Zelta_Send", "Zelta_download"}));
}

TEST(Exports, RefusalThroughTheLoadedLibrary) {
    void* lib = dlopen(ZPOSAPP_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto send = reinterpret_cast<decltype(&Zelta_Send)>(dlsym(lib, "Zelta_Send"));
    ASSERT_NE(send, nullptr);
    std::array<char, 450> response{};
    EXPECT_EQ(send("127.0.0.1", 10902, Request("0200", "ZZ").data(), response.data()), -1);
    EXPECT_EQ(field(response.data(), resp::resp_code), "NOTX");
    dlclose(lib);
}

}  // namespace
}  // namespace zpos::test
