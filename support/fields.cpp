// C `atoi` semantics over bounded text, and the formatting append of Writer.
#include "support/fields.h"

#include <cstdarg>
#include <cstdio>
#include <limits>

namespace zpos {

int atoi_text(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::numeric_limits<int>::max()) {
            value = std::numeric_limits<int>::max();
            break;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

void Writer::put_format(std::size_t max, const char* format, ...) {
    char work[300] = {};
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(work, sizeof work, format, args);
    va_end(args);
    if (n < 0) return;
    std::size_t len = static_cast<std::size_t>(n) < sizeof work ? static_cast<std::size_t>(n) : sizeof work - 1;
    if (len > max) len = max;
    put(std::string_view(work, len));
}

}  // namespace zpos
