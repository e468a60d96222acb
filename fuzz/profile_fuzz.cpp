// The settings file reader and writer over arbitrary file contents: reads into
// buffers of several sizes, then a write read back, which must give the value
// whenever the names and value are ones the library itself writes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "platform/platform.h"

namespace {
// What the library's own sections, keys and values look like: printable, no
// delimiters of names and comments, no blanks at either end (a read trims them).
bool plain(const std::string& text, bool name) {
    if (text.empty() || text.size() > 200) return !name && text.empty();
    if (text.front() == ' ' || text.back() == ' ') return false;
    if (text.front() == '"' || text.front() == '\'' || text.front() == ';') return false;
    for (unsigned char c : text) {
        if (c < 0x20 || c > 0x7E) return false;
        if (name && (c == '=' || c == '[' || c == ']')) return false;
    }
    return true;
}
}  // namespace

using zpos::fuzz::take_text;

// Input: section NUL key NUL value NUL file contents.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = zpos::fuzz::app_dir().file("fuzz.ini");
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::string section = take_text(in);
    std::string key = take_text(in);
    std::string value = take_text(in);

    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(in.data(), 1, in.size(), f);
        std::fclose(f);
    }
    for (int room : {0, 1, 2, 5, 16, 256}) {
        char out[256];
        int n = zpos::platform::profile_read(section.c_str(), key.c_str(), "fallback", out, room, path.c_str());
        if (n < 0 || (room > 0 && n >= room)) __builtin_trap();
        if (room > 0 && out[n] != '\0') __builtin_trap();
    }
    bool written = zpos::platform::profile_write(section.c_str(), key.c_str(), value.c_str(), path.c_str());
    char back[256];
    zpos::platform::profile_read(section.c_str(), key.c_str(), "", back, sizeof back, path.c_str());
    if (written && plain(section, true) && plain(key, true) && plain(value, false) && value != back)
        __builtin_trap();
    return 0;
}
