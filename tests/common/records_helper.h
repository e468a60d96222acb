// Request records for tests, built field by field by name.
#pragma once

#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "support/records.h"

namespace zpos::test {

struct Request {
    std::array<char, req::kSize> bytes{};

    Request() { bytes.fill(' '); }
    Request(std::string_view msg_type, std::string_view tran_kind) : Request() {
        set(req::rec_len, "0240");
        set(req::msg_type, msg_type);
        set(req::tran_kind, tran_kind);
        set(req::term_id, "1200000001");
    }
    // Writes `text` at the field, cut to its width; the rest of the field keeps
    // what it held.
    Request& set(Field f, std::string_view text) {
        std::memcpy(bytes.data() + f.offset, text.data(), text.size() < f.width ? text.size() : f.width);
        return *this;
    }
    // The whole field: `text` then NUL bytes.
    Request& set_padded(Field f, std::string_view text, char pad = '\0') {
        std::memset(bytes.data() + f.offset, pad, f.width);
        return set(f, text);
    }
    const char* data() const { return bytes.data(); }
};

inline std::string field(const char* record, Field f) { return std::string(record + f.offset, f.width); }

}  // namespace zpos::test
