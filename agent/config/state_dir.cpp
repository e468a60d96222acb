#include "agent/config/state_dir.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "agent/platform/platform.h"

namespace zpos::agent {

namespace {

bool read_first_line(const std::string& path, std::string& out) {
    std::ifstream in(path);
    return in && std::getline(in, out) && !out.empty();
}

bool load_or_create(const std::string& path, bool replace, std::string& value, std::string& error) {
    if (!replace && read_first_line(path, value)) return true;
    value = random_hex();
    return platform::write_private_file(path, value + "\n", error);
}

}  // namespace

bool ensure_state_dir(const std::string& dir, std::string& error) {
    return platform::make_private_dir(dir, error);
}

bool take_lock(const std::string& dir, std::string& error) {
    bool held = false;
    if (platform::lock_for_life(dir + "/agent.lock", held, error)) return true;
    if (held) error = "another zpos-agent runs on " + dir;
    return false;
}

std::string random_hex(std::size_t bytes) {
    std::vector<unsigned char> raw(bytes);
    platform::random_bytes(raw.data(), raw.size());
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : raw) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

bool load_token(const std::string& dir, bool rotate, std::string& token, std::string& error) {
    return load_or_create(dir + "/agent.token", rotate, token, error);
}

bool load_secret(const std::string& dir, std::string& secret, std::string& error) {
    return load_or_create(dir + "/agent.secret", false, secret, error);
}

bool ensure_strict_log_mask(const std::string& dir, std::string& error) {
    std::string path = dir + "/ZposSign.ini";
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    in.close();
    auto trimmed = [](std::string s) {
        while (!s.empty() && (s.back() == '\r' || s.back() == ' ')) s.pop_back();
        return s;
    };
    std::size_t log_at = lines.size();
    for (std::size_t i = 0; i < lines.size() && log_at == lines.size(); ++i)
        if (trimmed(lines[i]) == "[LOG]") log_at = i;
    if (log_at == lines.size()) {
        lines.push_back("[LOG]");
        lines.push_back("MASK=STRICT");
    } else {
        bool set = false;
        for (std::size_t j = log_at + 1; j < lines.size() && !set; ++j) {
            std::string l = trimmed(lines[j]);
            if (!l.empty() && l[0] == '[') break;
            if (l.rfind("MASK=", 0) == 0) {
                if (l == "MASK=STRICT") return true;
                lines[j] = "MASK=STRICT";
                set = true;
            }
        }
        if (!set) lines.insert(lines.begin() + static_cast<long>(log_at) + 1, "MASK=STRICT");
    }
    std::ostringstream out;
    for (const std::string& l : lines) out << l << "\n";
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!(f << out.str())) return error = "cannot write " + path, false;
    return true;
}

bool backup_route_in_force(const std::string& dir) {
    std::ifstream in(dir + "/ZposSign.ini");
    bool in_section = false;
    for (std::string l; std::getline(in, l);) {
        while (!l.empty() && (l.back() == '\r' || l.back() == ' ')) l.pop_back();
        if (!l.empty() && l[0] == '[') in_section = l == "[VANCFG]";
        else if (in_section && l.rfind("VANID=", 0) == 0) return l.substr(6) == "2";
    }
    return false;
}

bool dir_writable(const std::string& dir) {
    return platform::dir_writable(dir);
}

}  // namespace zpos::agent
