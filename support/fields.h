// Reading and writing fixed-width text fields of the records and messages.
// These are the library's at-most-N copies and C `atoi` readings; they never
// read past a field's width nor write past the destination's size.
#pragma once

#include <cstddef>
#include <cstring>
#include <span>
#include <string_view>

#include "support/records.h"

namespace zpos {

// Text of at most `max` bytes starting at `p`, ending early at a NUL.
inline std::string_view text_of(const char* p, std::size_t max) {
    const void* nul = std::memchr(p, 0, max);
    return {p, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - p) : max};
}

inline std::string_view field_text(const char* record, Field f) {
    return text_of(record + f.offset, f.width);
}

// C `atoi` over a text: leading blanks, an optional sign, then digits up to the
// first non-digit. Saturates instead of overflowing.
int atoi_text(std::string_view text);

// The value of a numeric record field: `atoi` of its first nine characters.
inline int field_value(const char* record, Field f) {
    return atoi_text(field_text(record, {f.offset, f.width < 9 ? f.width : 9}));
}

// The library's text write: the characters of `text`, cut to the field's width,
// then one NUL byte (which a later write may cover). `record` must hold at
// least offset + width + 1 bytes.
inline void put_text(char* record, Field f, std::string_view text) {
    std::size_t n = text.size() < f.width ? text.size() : f.width;
    if (n) std::memcpy(record + f.offset, text.data(), n);
    record[f.offset + n] = '\0';
}

// Exactly `width` bytes without a NUL (resp_code and other fixed codes).
inline void put_exact(char* record, Field f, const char* bytes) {
    std::memcpy(record + f.offset, bytes, f.width);
}

inline bool field_equals(const char* record, Field f, std::string_view expected) {
    return std::string_view(record + f.offset, f.width) == expected;
}

// A cursor that appends to a fixed buffer and refuses to run past its end.
// `overflowed()` tells a caller that something did not fit.
class Writer {
public:
    explicit Writer(std::span<char> out) : out_(out) {}

    void put(char c) { put(std::string_view(&c, 1)); }
    void put(std::string_view bytes) {
        std::size_t room = out_.size() - pos_;
        std::size_t n = bytes.size() <= room ? bytes.size() : room;
        if (n) std::memcpy(out_.data() + pos_, bytes.data(), n);
        pos_ += n;
        if (n < bytes.size()) overflowed_ = true;
    }
    // Exactly `width` bytes: the text cut at `width`, NUL-padded.
    void put_fixed(std::string_view text, std::size_t width) {
        if (text.size() > width) text = text.substr(0, width);
        put(text);
        for (std::size_t i = text.size(); i < width; ++i) put('\0');
    }
    // Formats with printf rules (cut at `max` characters) and appends the text.
    void put_format(std::size_t max, const char* format, ...) __attribute__((format(printf, 3, 4)));

    std::size_t size() const { return pos_; }
    bool overflowed() const { return overflowed_; }
    char* data() { return out_.data(); }

private:
    std::span<char> out_;
    std::size_t pos_ = 0;
    bool overflowed_ = false;
};

}  // namespace zpos
