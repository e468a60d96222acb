// A temporary application directory for one test: the library sees a POS
// executable inside it, so its settings file and its Logs folder land there.
// Also reads back log lines, captures modal notices and counts descriptors.
#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/common/seam_setters.h"

namespace zpos::test {

class AppDir {
public:
    // A folder of its own under `parent`, else under /tmp.
    explicit AppDir(const std::string& parent = "/tmp");
    ~AppDir();
    AppDir(const AppDir&) = delete;
    AppDir& operator=(const AppDir&) = delete;

    const std::string& path() const { return dir_; }
    std::string settings_path() const { return dir_ + "/ZposSign.ini"; }
    std::string file(const std::string& name) const { return dir_ + "/" + name; }

    // Writes the whole settings file.
    void write_settings(const std::string& text) const;
    std::string read_settings() const;
    // Reads one settings key through the same reader the library uses.
    std::string setting(const char* section, const char* key) const;
    // Puts the call on the backup route the way the library gets there: the
    // switch written to the settings file, then the route refreshed from it.
    void take_backup_route() const;

    // Log lines of today's file (or of the given date "YYMMDD"), without their
    // "[hh:mm:ss] - " prefix.
    std::vector<std::string> log_lines(const std::string& date = "") const;
    std::string log_path(const std::string& date = "") const;
    // How often today's log holds the whole line; whether it holds it.
    int log_count(const std::string& line) const;
    bool logged(const std::string& line) const { return log_count(line) > 0; }

private:
    std::string dir_;
    std::unique_ptr<ExecutableAt> executable_;
};

// Modal notices shown while it lives, or handed to `notice` instead.
class NoticeCapture {
public:
    explicit NoticeCapture(void (*notice)(const char*) = nullptr);
    ~NoticeCapture();
    const std::vector<std::string>& notices() const;
};

// A fixed clock while it lives; set() moves it.
class FixedClock {
public:
    explicit FixedClock(platform::Time t);
    ~FixedClock();
    void set(platform::Time t);
};

// The local date of `t` as "YYMMDD", as the log file of that day is named.
std::string yymmdd(platform::Time t);

std::string read_file(const std::string& path);
std::vector<std::string> lines_of(const std::string& text);

// A free 127.0.0.1 port: bound once, then closed again.
int closed_loopback_port();
// Descriptors open in this process now, for tests that check a call leaves
// no socket behind.
int open_descriptors();

}  // namespace zpos::test
