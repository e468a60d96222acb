#include "tests/common/app_dir.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "entry/call.h"
#include "platform/platform.h"
#include "platform/seams.h"
#include "platform/socket.h"
#include "support/route.h"

namespace zpos::test {

namespace {
std::vector<std::string> g_notices;
platform::Time g_fixed_time = 0;
void capture_notice(const char* text) { g_notices.emplace_back(text); }
platform::Time fixed_time() { return g_fixed_time; }
}  // namespace

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

AppDir::AppDir(const std::string& parent) {
    std::string pattern = parent + "/zpos-app-XXXXXX", fallback = "/tmp/zpos-app-XXXXXX";
    const char* made = mkdtemp(pattern.data());
    if (!made) made = mkdtemp(fallback.data());
    dir_ = made ? made : "/tmp";
    executable_ = std::make_unique<ExecutableAt>(dir_ + "/pos.exe");
    prepare_call();
}

AppDir::~AppDir() {
    executable_.reset();
    std::error_code ignored;
    // Only a folder of its own: without one, /tmp stood in for it.
    if (dir_ != "/tmp") std::filesystem::remove_all(dir_, ignored);
}

void AppDir::write_settings(const std::string& text) const {
    std::ofstream(settings_path(), std::ios::binary) << text;
}

std::string AppDir::read_settings() const { return read_file(settings_path()); }

std::string AppDir::setting(const char* section, const char* key) const {
    char value[256] = {};
    platform::profile_read(section, key, "", value, sizeof value, settings_path().c_str());
    return value;
}

void AppDir::take_backup_route() const {
    switch_to_backup(g_module.call);
    route_mode_refresh(g_module);
}

std::string yymmdd(platform::Time t) {
    std::tm tm{};
    platform::local_time(t, tm);
    char buf[8];
    std::strftime(buf, sizeof buf, "%y%m%d", &tm);
    return buf;
}

std::string AppDir::log_path(const std::string& date) const {
    return dir_ + "/Logs/AppLog." + (date.empty() ? yymmdd(platform::now()) : date) + ".txt";
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> AppDir::log_lines(const std::string& date) const {
    std::vector<std::string> lines = lines_of(read_file(log_path(date)));
    // "[hh:mm:ss] - " is 13 characters.
    for (std::string& line : lines)
        if (line.size() >= 13) line.erase(0, 13);
    return lines;
}

int AppDir::log_count(const std::string& line) const {
    std::vector<std::string> lines = log_lines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

NoticeCapture::NoticeCapture(void (*notice)(const char*)) {
    g_notices.clear();
    platform::seams().notice = notice ? notice : capture_notice;
}
NoticeCapture::~NoticeCapture() { platform::seams().notice = nullptr; }
const std::vector<std::string>& NoticeCapture::notices() const { return g_notices; }

FixedClock::FixedClock(platform::Time t) {
    g_fixed_time = t;
    platform::seams().clock = fixed_time;
}
FixedClock::~FixedClock() { platform::seams().clock = nullptr; }
void FixedClock::set(platform::Time t) { g_fixed_time = t; }

int closed_loopback_port() {
    int port = 0;
    platform::socket_close(platform::socket_listen_loopback(0, 1, port));
    return port;
}

int open_descriptors() {
    DIR* d = opendir("/proc/self/fd");
    if (!d) return -1;
    int n = 0;
    while (dirent* e = readdir(d))
        if (e->d_name[0] != '.') ++n;
    closedir(d);
    return n - 1;  // not the one reading the directory
}

}  // namespace zpos::test
