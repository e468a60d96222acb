// Mask, check byte, field split and the messages of the host link.
#include "tools/common/wire.h"

#include <cstdio>

namespace zpos::tools {

namespace {
unsigned char mask_key(std::size_t length) {
    unsigned char low = static_cast<unsigned char>(length & 0xFF);
    return low ? low : static_cast<unsigned char>((length >> 8) & 0xFF);
}
}  // namespace

void apply_mask(std::string& bytes) {
    unsigned char k = mask_key(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(static_cast<unsigned char>(bytes[i]) ^ ((i + 1) % 127) ^ k);
}

std::string with_check(std::string message) {
    unsigned char check = 0;
    for (std::size_t i = 1; i < message.size(); ++i) check ^= static_cast<unsigned char>(message[i]);
    message += static_cast<char>(check);
    return message;
}

std::size_t length_at(const std::string& s, std::size_t at) {
    return (static_cast<std::size_t>(static_cast<unsigned char>(s[at])) << 8) | static_cast<unsigned char>(s[at + 1]);
}

std::vector<std::string> split_fs(const std::string& s) {
    std::vector<std::string> out(1);
    for (char c : s) {
        if (c == kFS)
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

std::string hex(const std::string& bytes) {
    std::string out;
    char b[4];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02x ", c);
        out += b;
    }
    if (!out.empty()) out.pop_back();
    return out;
}

std::string reply_message(std::string_view header, const std::vector<std::string>& fields) {
    std::string body = kSTX + std::string(header);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) body += kFS;
        body += fields[i];
    }
    return with_check(body + kETX);
}

std::string link_frame(const std::string& plain_body) {
    std::string masked = plain_body;
    apply_mask(masked);
    std::string frame;
    frame += static_cast<char>((plain_body.size() >> 8) & 0xFF);
    frame += static_cast<char>(plain_body.size() & 0xFF);
    return frame + masked;
}

}  // namespace zpos::tools
