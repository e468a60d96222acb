// The host link's bytes: zpos-host's framing (tools/common) and the expected requests.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "tools/common/keystrokes.h"
#include "tools/common/wire.h"

namespace zpos::test {

using namespace zpos::tools;

inline const std::string STX(1, kSTX);
inline const std::string ETX(1, kETX);
inline const std::string FS(1, kFS);

inline std::string nuls(std::size_t n) { return std::string(n, '\0'); }

// A transaction message as the request builder writes it, before its check
// byte: STX, 'I', the entry indicator, the length (through ETX and the check
// byte), "POS", the code, FS, each field followed by FS, the blocks, ETX.
inline std::string transaction_message(char entry, std::string_view code, const std::vector<std::string>& fields,
                                       std::string_view blocks = "") {
    std::string body = FS;
    for (const std::string& field : fields) body += field + FS;
    body += std::string(blocks) + ETX;
    std::string head = STX + "I" + entry;
    char length[8];
    std::snprintf(length, sizeof length, "%04zu", head.size() + 4 + 3 + code.size() + body.size() + 1);
    return head + length + "POS" + std::string(code) + body;
}

// A small transaction message with its check byte, as a card approval
// ("S", code "10") is framed: term_id 1234567890, track2
// 9410123456789012=2512, instalments 00, amount 00001000.
inline std::string sample_transaction_message() {
    return with_check(transaction_message('S', "10", {"1234567890", "9410123456789012=2512", "00", "00001000"}));
}

}  // namespace zpos::test
