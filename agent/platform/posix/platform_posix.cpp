#include "agent/platform/platform.h"

#include <fcntl.h>
#include <iconv.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace zpos::agent::platform {

std::string default_state_dir() { return {}; }

bool make_private_dir(const std::string& dir, std::string& error) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        return error = dir + " is not a directory", false;
    }
    if (::mkdir(dir.c_str(), 0700) != 0) return error = "cannot create " + dir + ": " + std::strerror(errno), false;
    return true;
}

bool absolute_path(const std::string& dir, std::string& out, std::string& error) {
    char real[PATH_MAX];
    if (!::realpath(dir.c_str(), real)) return error = "cannot resolve " + dir, false;
    out = real;
    return true;
}

bool write_private_file(const std::string& path, const std::string& text, std::string& error) {
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

bool lock_for_life(const std::string& path, bool& held_by_other, std::string& error) {
    held_by_other = false;
    // Kept open (and so locked) until the process ends.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return error = "cannot open " + path + ": " + std::strerror(errno), false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        held_by_other = true;
        return false;
    }
    return true;
}

long long modified_ns(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

bool dir_writable(const std::string& dir) { return ::access(dir.c_str(), W_OK | X_OK) == 0; }

void random_bytes(unsigned char* out, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = ::getrandom(out + got, size - got, 0);
        if (n > 0) got += static_cast<std::size_t>(n);
        else if (errno != EINTR) std::abort();
    }
}

std::string hmac_sha256(const std::string& key, const std::string& data) {
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(data.data()),
         data.size(), mac, &len);
    return std::string(reinterpret_cast<const char*>(mac), len);
}

std::string cp949_to_utf8(const std::string& bytes) {
    iconv_t cd = iconv_open("UTF-8", "CP949");
    if (cd == reinterpret_cast<iconv_t>(-1)) return bytes;
    std::string out;
    char buf[256];
    char* in = const_cast<char*>(bytes.data());
    std::size_t left = bytes.size();
    while (left > 0) {
        char* o = buf;
        std::size_t room = sizeof buf;
        std::size_t n = iconv(cd, &in, &left, &o, &room);
        out.append(buf, static_cast<std::size_t>(o - buf));
        if (n == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += "\xEF\xBF\xBD";
            ++in;
            --left;
        }
    }
    iconv_close(cd);
    return out;
}

void restrict_new_files() { ::umask(077); }

void set_environment(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

void notify_service_manager(const std::string& message) {
    const char* path = std::getenv("NOTIFY_SOCKET");
    if (!path || !*path) return;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::size_t len = std::strlen(path);
    if (len >= sizeof addr.sun_path) return;
    std::memcpy(addr.sun_path, path, len);
    // A leading '@' names the abstract namespace.
    if (addr.sun_path[0] == '@') addr.sun_path[0] = '\0';
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    ::sendto(fd, message.data(), message.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&addr),
             static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + len));
    ::close(fd);
}

void kill_now() {
    ::raise(SIGKILL);
    std::abort();
}

bool service_command(int, char**, int (*)(int, char**), int&) { return false; }

}  // namespace zpos::agent::platform
