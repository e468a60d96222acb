// The strict card masking of log lines: which bytes of a card number or track
// image stay visible. Works in place on the caller's copy.
#include "support/card_mask.h"

namespace zpos {

namespace {

constexpr std::size_t kShownHead = 6;
constexpr std::size_t kShownTail = 4;
constexpr std::size_t kShortestCard = 13;
constexpr std::size_t kLongestCard = 19;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The digits of a card number at [begin, end) less its first six and last four.
void hide_middle(char* bytes, std::size_t begin, std::size_t end) {
    for (std::size_t i = begin + kShownHead; i + kShownTail < end; ++i) bytes[i] = '*';
}

}  // namespace

void mask_card_field(char* bytes, std::size_t n) {
    std::size_t begin = 0;
    while (begin < n && !is_digit(bytes[begin])) ++begin;
    std::size_t end = begin;
    while (end < n && is_digit(bytes[end])) ++end;
    hide_middle(bytes, begin, end);
    for (std::size_t i = end; i < n; ++i)
        if (bytes[i] != ' ' && bytes[i] != '\0') bytes[i] = '*';
}

void mask_card_numbers(char* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n;) {
        if (!is_digit(bytes[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < n && is_digit(bytes[end])) ++end;
        std::size_t length = end - i;
        if (length >= kShortestCard && length <= kLongestCard) {
            hide_middle(bytes, i, end);
            if (end < n && bytes[end] == '=') {
                bytes[end++] = '*';
                while (end < n && is_digit(bytes[end])) bytes[end++] = '*';
            }
        }
        i = end;
    }
}

}  // namespace zpos
