// The request messages the tests expect the library to build.
#include "tests/common/wire.h"

#include <cstdio>

namespace zpos::test {

std::string transaction_message(char entry, std::string_view code, const std::vector<std::string>& fields,
                                std::string_view blocks) {
    std::string body = FS;
    for (const std::string& field : fields) body += field + FS;
    body += std::string(blocks) + ETX;
    std::string head = STX + "I" + entry;
    char length[8];
    std::snprintf(length, sizeof length, "%04zu", head.size() + 4 + 3 + code.size() + body.size() + 1);
    return head + length + "POS" + std::string(code) + body;
}

}  // namespace zpos::test
