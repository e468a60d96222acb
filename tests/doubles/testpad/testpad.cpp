// A stand-in for the signature/PIN pad library: orvik_sign and general_pin
// answer from "SignPad_dll.script" beside it (sign_result=N, default -1;
// sign_bytes=TEXT or sign_hex=HEX; field_a, field_b, field_c=TEXT;
// pin_result=N; pin_block=TEXT) and append "<function> <port> <constant> <hex
// of the buffer before the data or PIN block>" to "SignPad_dll.record".
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "request/capture.h"
#include "tests/doubles/double_files.h"

namespace {

struct Script {
    int sign_result = -1;
    int pin_result = 0;
    char sign_bytes[zpos::sign_buffer::data.width + 1] = {};
    int sign_len = 0;
    char field_a[zpos::sign_buffer::field_a.width + 1] = {}, field_b[zpos::sign_buffer::field_b.width + 1] = {};
    char field_c[zpos::sign_buffer::field_c.width + 1] = {}, pin_block[zpos::pin_buffer::block.width + 1] = {};
    bool has_a = false, has_b = false, has_c = false, has_pin = false;
};

void copy_text(char* dest, std::size_t size, const char* value, bool& flag) {
    std::snprintf(dest, size, "%s", value);
    flag = true;
}

void read_script(Script& s) {
    zpos::test::read_script("SignPad_dll.script", [&s](const char* key, const char* value) {
        if (!std::strcmp(key, "sign_result")) s.sign_result = std::atoi(value);
        else if (!std::strcmp(key, "pin_result")) s.pin_result = std::atoi(value);
        else if (!std::strcmp(key, "sign_bytes")) {
            std::snprintf(s.sign_bytes, sizeof s.sign_bytes, "%s", value);
            s.sign_len = static_cast<int>(std::strlen(s.sign_bytes));
        } else if (!std::strcmp(key, "sign_hex")) {
            s.sign_len = std::max(0, zpos::test::hex_bytes(value, s.sign_bytes, zpos::kSignDataMax));
        } else if (!std::strcmp(key, "field_a")) copy_text(s.field_a, sizeof s.field_a, value, s.has_a);
        else if (!std::strcmp(key, "field_b")) copy_text(s.field_b, sizeof s.field_b, value, s.has_b);
        else if (!std::strcmp(key, "field_c")) copy_text(s.field_c, sizeof s.field_c, value, s.has_c);
        else if (!std::strcmp(key, "pin_block")) copy_text(s.pin_block, sizeof s.pin_block, value, s.has_pin);
    });
}

void record_call(const char* function, int port, int constant, const char* input, std::size_t n) {
    static char line[256];
    int pos = std::snprintf(line, sizeof line, "%s %d %d ", function, port, constant);
    for (std::size_t i = 0; i < n; ++i)
        pos += std::snprintf(line + pos, sizeof line - static_cast<std::size_t>(pos), "%02x",
                             static_cast<unsigned char>(input[i]));
    zpos::test::record_line("SignPad_dll.record", line, static_cast<std::size_t>(pos));
}

void put_text(char* buffer, zpos::Field f, const char* text) {
    std::size_t n = std::strlen(text);
    std::memcpy(buffer + f.offset, text, n < f.width ? n : f.width);
}

}  // namespace

using zpos::pin_buffer::block;
using zpos::sign_buffer::data;

extern "C" TESTPAD_EXPORT int ZPOS_EXTERNAL_CALL orvik_sign(char* buffer, int port, int constant) {
    record_call("orvik_sign", port, constant, buffer, data.offset);
    static Script s;
    s = Script{};
    read_script(s);
    if (s.has_a) put_text(buffer, zpos::sign_buffer::field_a, s.field_a);
    if (s.has_b) put_text(buffer, zpos::sign_buffer::field_b, s.field_b);
    if (s.has_c) put_text(buffer, zpos::sign_buffer::field_c, s.field_c);
    std::memcpy(buffer + data.offset, s.sign_bytes, static_cast<std::size_t>(s.sign_len));
    return s.sign_result;
}

extern "C" TESTPAD_EXPORT int ZPOS_EXTERNAL_CALL general_pin(char* buffer, int port, int constant) {
    record_call("general_pin", port, constant, buffer, block.offset);
    static Script s;
    s = Script{};
    read_script(s);
    if (s.has_pin) put_text(buffer, block, s.pin_block);
    return s.pin_result;
}
