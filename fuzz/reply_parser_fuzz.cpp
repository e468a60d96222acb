// Host replies as the link hands them over: the keystroke conversion, the
// field split and the response fill for every message kind, plus the
// conversion and split on their own over the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "reply/keystrokes.h"
#include "reply/parser.h"
#include "reply/split.h"
#include "support/records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zpos::fuzz::app_dir();
    if (size < 1) return 0;
    // Kinds the parser fills, and two it leaves alone.
    int kind = zpos::fuzz::selected_kind(data[0], false);
    ++data;
    --size;

    // Exactly the reply's bytes on the heap, so a read past them is caught
    // (never a null pointer: the link hands over no empty reply).
    std::vector<char> reply(data, data + size);
    reply.reserve(1);
    char response[zpos::resp::kSize];
    std::memset(response, '.', sizeof response);
    zpos::parse_reply(response, reply.data(), static_cast<int>(reply.size()), kind);

    std::vector<char> message(data, data + size);
    message.reserve(1);
    int converted = zpos::convert_keystrokes(message.data(), static_cast<int>(message.size()));
    if (converted < 0 || static_cast<std::size_t>(converted) > message.size()) __builtin_trap();
    static zpos::ParsedReply parsed;
    parsed.clear();
    zpos::split_reply(parsed, message.data(), converted);
    for (int f = 0; f < zpos::kReplyFieldCount; ++f)
        if (parsed.text(f).size() > zpos::kFieldCapacity[static_cast<std::size_t>(f)]) __builtin_trap();
    return 0;
}
