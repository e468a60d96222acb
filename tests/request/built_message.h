// A request message as built for a request record, and its fields by number;
// like every caller, it runs the pause of a signature the build did not take.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "entry/call.h"
#include "request/request_message.h"
#include "tests/common/records_helper.h"
#include "tests/common/wire.h"

namespace zpos::test {

struct Built {
    int length = 0;  // 0 when the builder refused
    std::string bytes;
    Signature signature = Signature::not_attempted;
    // Field i of the message (1-based; a swiped card keeps one field per FS).
    std::string field(int i) const {
        std::vector<std::string> parts = split_fs(bytes);
        return i >= 1 && static_cast<std::size_t>(i) + 1 < parts.size() ? parts[static_cast<std::size_t>(i)] : "<none>";
    }
};

// A card request as the POS sends it: term_id 1200000001, track
// 4092123412341234=2512101 (NUL-padded), entry "A", instalments "00", extras
// 500 and 300, the original approval 12345678 of 231101, and the given amount.
inline Request card_request(const char* amount) {
    Request r = sample_card_request("0200", "10", "", "A").set_padded(req::track2, "4092123412341234=2512101");
    r.set(req::amt_extra1, "000000500").set(req::amt_extra2, "000000300").set(req::tran_amt, amount);
    return r.set(req::org_auth_no, "12345678").set(req::org_auth_date, "231101");
}

inline Built build(const Request& r, int kind) {
    std::array<char, kRequestMessageSize> out{};
    Built b;
    RequestBuilt built = build_request_message(g_module.call, r.data(), out, kind);
    if (built.not_signed) pause_not_signed();
    b.signature = built.signature;
    if (built.result == RequestBuild::built) b.length = built.length;
    b.bytes.assign(out.data(), static_cast<std::size_t>(b.length));
    return b;
}

}  // namespace zpos::test
