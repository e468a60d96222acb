// The response record prepared with dots, so a byte nothing wrote shows as '.',
// read back with its NULs as the blanks the POS sees.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "support/records.h"

namespace zpos::test {

struct ResponseRecord {
    std::array<char, resp::kSize> bytes;
    ResponseRecord() { bytes.fill('.'); }
    char* data() { return bytes.data(); }
    std::string shown() const {
        std::string s(bytes.data(), bytes.size());
        for (char& c : s)
            if (c == '\0') c = ' ';
        return s;
    }
    std::string shown(Field f) const { return shown().substr(f.offset, f.width); }
};

// A text write as the POS sees it in a field of `width`: the text, the blank
// its NUL becomes, then the bytes left untouched (dots).
inline std::string written(const std::string& text, std::size_t width) {
    if (text.size() >= width) return text.substr(0, width);
    return text + " " + std::string(width - text.size() - 1, '.');
}

// The `width` bytes that follow a field, where a write's NUL may land.
constexpr Field after(Field f, std::size_t width = 1) { return {f.offset + f.width, width}; }
// From the first byte of `first` to the last of `last`.
constexpr Field through(Field first, Field last) { return {first.offset, last.offset + last.width - first.offset}; }

struct Expect {
    Field at;
    std::string shown;
};

// Every listed field as shown, every other byte of the record a dot.
inline void expect_record(const ResponseRecord& rec, const std::vector<Expect>& fields) {
    std::string expected(resp::kSize, '.');
    for (const Expect& e : fields) {
        ASSERT_EQ(e.shown.size(), e.at.width) << "expectation at offset " << e.at.offset;
        expected.replace(e.at.offset, e.at.width, e.shown);
    }
    std::string got = rec.shown();
    for (const Expect& e : fields)
        EXPECT_EQ(got.substr(e.at.offset, e.at.width), e.shown) << "field at offset " << e.at.offset;
    for (std::size_t i = 0; i < resp::kSize; ++i) {
        if (got[i] != expected[i]) {
            ADD_FAILURE() << "byte " << i << " is '" << got[i] << "', expected '" << expected[i] << "'";
            break;
        }
    }
}

// `base` with each of `changes` in place of the expectation of the same field,
// or added.
inline std::vector<Expect> overlay(std::vector<Expect> base, const std::vector<Expect>& changes) {
    for (const Expect& c : changes) {
        bool replaced = false;
        for (Expect& e : base)
            if (e.at.offset == c.at.offset && e.at.width == c.at.width) replaced = (e = c, true);
        if (!replaced) base.push_back(c);
    }
    return base;
}

}  // namespace zpos::test
