#include "agent/config/state_dir.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace zpos::agent {

namespace {

// Writes `text` to `path` through a temporary file and a rename, mode 0600.
bool write_private(const std::string& path, const std::string& text, std::string& error) {
    std::string tmp = path + ".new";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return error = "cannot write " + tmp + ": " + std::strerror(errno), false;
    bool ok = ::fchmod(fd, 0600) == 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
              ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return error = "cannot write " + path + ": " + std::strerror(errno), false;
    }
    return true;
}

bool read_first_line(const std::string& path, std::string& out) {
    std::ifstream in(path);
    return in && std::getline(in, out) && !out.empty();
}

bool load_or_create(const std::string& path, bool replace, std::string& value, std::string& error) {
    if (!replace && read_first_line(path, value)) return true;
    value = random_hex();
    return write_private(path, value + "\n", error);
}

}  // namespace

bool ensure_state_dir(const std::string& dir, std::string& error) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        return error = dir + " is not a directory", false;
    }
    if (::mkdir(dir.c_str(), 0700) != 0) return error = "cannot create " + dir + ": " + std::strerror(errno), false;
    return true;
}

bool take_lock(const std::string& dir, std::string& error) {
    std::string path = dir + "/agent.lock";
    // Kept open (and so locked) until the process ends.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return error = "cannot open " + path + ": " + std::strerror(errno), false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return error = "another zpos-agent runs on " + dir, false;
    }
    return true;
}

std::string random_hex(std::size_t bytes) {
    std::vector<unsigned char> raw(bytes);
    std::size_t got = 0;
    while (got < bytes) {
        ssize_t n = ::getrandom(raw.data() + got, bytes - got, 0);
        if (n > 0) got += static_cast<std::size_t>(n);
        else if (errno != EINTR) std::abort();  // no randomness: never hand out a guessable token
    }
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
    return ::access(dir.c_str(), W_OK | X_OK) == 0;
}

}  // namespace zpos::agent
