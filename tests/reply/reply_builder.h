// Test tools for the reply parser: a host reply built from a readable field
// list (Korean written as keystrokes inside a run), and a response record whose
// untouched bytes are dots, read back the way the POS sees it.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <utility>

#include "support/records.h"

namespace zpos::test {

// The reply body as the exchange hands it over: STX, six header bytes, fields
// 0 to 46 joined by FS, then a check byte.
class ReplyFields {
public:
    ReplyFields() = default;
    ReplyFields(std::initializer_list<std::pair<int, std::string>> fields) {
        for (const auto& [number, text] : fields) set(number, text);
    }
    ReplyFields& set(int number, std::string text) {
        fields_[static_cast<std::size_t>(number)] = std::move(text);
        return *this;
    }
    std::string body() const {
        std::string b = "\x02" "0000RP";
        for (std::size_t f = 0; f < fields_.size(); ++f) {
            if (f > 0) b += '\x1C';
            b += fields_[f];
        }
        b += '\x03';
        b += 'K';  // check byte, never read
        return b;
    }

private:
    std::array<std::string, 47> fields_{};
};

// A response record prepared with dots, so any byte the parser leaves alone
// shows as '.'; `shown()` turns the NULs into blanks as the entry points do.
struct ResponseRecord {
    std::array<char, resp::kSize> bytes;
    ResponseRecord() { bytes.fill('.'); }
    char* data() { return bytes.data(); }
    std::string shown() const {
        std::string s(bytes.data(), bytes.size());
        for (char& c : s) {
            if (c == '\0') c = ' ';
        }
        return s;
    }
};

// A text write as the POS sees it in a field of `width`: the text, the blank
// its NUL becomes, then the bytes left untouched (dots).
inline std::string written(const std::string& text, std::size_t width) {
    if (text.size() >= width) return text.substr(0, width);
    return text + " " + std::string(width - text.size() - 1, '.');
}

inline std::string untouched(std::size_t width) { return std::string(width, '.'); }

}  // namespace zpos::test
