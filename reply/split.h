// The reply's 47 numbered fields, each in a slot of fixed capacity, and the
// split that fills them from the converted reply message by counting FS
// separators. Field 46 alone carries its own four-digit length.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace zpos {

inline constexpr int kReplyFieldCount = 47;
// Bytes of converted reply the split looks at; the rest is dropped.
inline constexpr std::size_t kSplitCapacity = 1025;
// Field 46: four length digits, then that many bytes, within its slot.
inline constexpr int kLengthPrefixedField = 46;
inline constexpr std::size_t kLengthPrefixDigits = 4;

// Capacity of each field's slot, in bytes of converted text, by field number.
inline constexpr std::array<std::size_t, kReplyFieldCount> kFieldCapacity = {
    10, 16, 16, 1,  4,  16, 15, 13, 3,  17, 1,  4,  8,  1,  16, 4,  //  0..15
    10, 8,  8,  8,  24, 24, 24, 12, 12, 8,  8,  8,  24, 8,  24, 8,  // 16..31
    24, 8,  2,  16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 1,  512,    // 32..46
};

// The parsed reply: every slot one byte longer than its capacity, so each
// field reads as a NUL-terminated text. Zero it before a split.
class ParsedReply {
public:
    static constexpr std::array<std::size_t, kReplyFieldCount + 1> kSlotOffset = [] {
        std::array<std::size_t, kReplyFieldCount + 1> at{};
        for (int f = 0; f < kReplyFieldCount; ++f) at[f + 1] = at[f] + kFieldCapacity[f] + 1;
        return at;
    }();

    void clear() { bytes_.fill('\0'); }
    char* slot(int field) { return bytes_.data() + kSlotOffset[field]; }
    const char* slot(int field) const { return bytes_.data() + kSlotOffset[field]; }
    // The field as text, up to its first NUL; empty for a number outside 0..46.
    std::string_view text(int field) const;

private:
    std::array<char, kSlotOffset[kReplyFieldCount]> bytes_{};
};

// Splits the first `length` bytes of `message` (at most kSplitCapacity of them)
// into `reply`, which the caller has zeroed. Position 0 is not read, positions
// 1 to 6 are a header as long as no FS has come, field 0 starts at 7. Always 0.
int split_reply(ParsedReply& reply, const char* message, int length);

}  // namespace zpos
