// The field split: bytes go to the slot of the current field number until its
// capacity is full; only FS is special. Field 46 takes its four length digits
// and as many bytes as they declare, never more than its slot holds.
#include "reply/split.h"

#include <cstring>

#include "support/fields.h"
#include "support/wire.h"

namespace zpos {

namespace {
constexpr int kHeaderEnd = 7;  // field 0 starts here when no FS came before
}

std::string_view ParsedReply::text(int field) const {
    if (field < 0 || field >= kReplyFieldCount) return "";
    return text_of(slot(field), kFieldCapacity[static_cast<std::size_t>(field)]);
}

int split_reply(ParsedReply& reply, const char* message, int length) {
    if (length < 2) return 0;
    std::size_t n = static_cast<std::size_t>(length);
    if (n > kSplitCapacity) n = kSplitCapacity;
    // Room past the end so the length digits of a field 46 that starts near it
    // read zeros.
    std::array<char, kSplitCapacity + kLengthPrefixDigits> work{};
    std::memcpy(work.data(), message, n);

    constexpr std::size_t kField46Capacity = kFieldCapacity[kLengthPrefixedField];
    int field = 0;
    std::size_t pos = 0;
    int limit = 0;
    for (std::size_t i = 1; i < n; ++i) {
        char b = work[i];
        if (b == wire::kFS) {
            ++field;
            pos = 0;
            continue;
        }
        if (field > kLengthPrefixedField) continue;
        if (field == 0 && i < kHeaderEnd) continue;
        if (field == kLengthPrefixedField) {
            if (limit == 0) {
                int declared = atoi_text(text_of(work.data() + i, kLengthPrefixDigits));
                // A declared length past the slot is cut to the slot.
                long long want = static_cast<long long>(declared) + static_cast<long long>(kLengthPrefixDigits);
                limit = want > static_cast<long long>(kField46Capacity) ? static_cast<int>(kField46Capacity)
                                                                   : static_cast<int>(want);
            }
            if (static_cast<long long>(pos) < limit) reply.slot(field)[pos++] = b;
            continue;
        }
        if (pos < kFieldCapacity[static_cast<std::size_t>(field)]) reply.slot(field)[pos++] = b;
    }
    return 0;
}

}  // namespace zpos
