// The library's daily log as the programs beside it follow it while one call
// runs (zpos's waiting lines, zpos-agent's progress events): new lines handed
// on as they come, and a reading of what the call waits for whenever it
// changes and every five seconds while it does not. Only the log lines'
// texts (library_log.h) are used, never the library's own tables.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "tools/common/library_log.h"

namespace zpos::tools {

// Logs/AppLog.YYMMDD.txt of an application directory, for today's local date.
std::string today_log_path(const std::string& app_dir);

// One line as the log holds it: "[hh:mm:ss] - " and the text. Text lines
// hold their bytes as they are (Korean in CP949); records and other bytes the
// library logs as bytes show each byte outside 0x20..0x7E as [xx].
struct LogEntry {
    std::string time;  // hh:mm:ss
    std::string text;
};
bool parse_log_line(std::string_view line, LogEntry& out);

// Every [xx] back into its byte: the bytes of a record line.
std::string all_bytes(std::string_view rendered);

// The line of library_log::kLines that a logged text is (the one with most
// fixed text when several formats fit), or nullptr.
const library_log::Line* known_line(std::string_view rendered);

class LogFollower {
public:
    // `line`: a text line as logged; `record`: a request or response record
    // by its size; `reading`: where the call waits. Each with the seconds
    // since start().
    struct Sink {
        std::function<void(const std::string& logged, int seconds)> line;
        std::function<void(std::size_t size, int seconds)> record;
        std::function<void(const std::string& reading, int seconds)> reading;
    };

    // `blocking_connect`: the reading while the blocking connect runs, whose
    // length the system decides.
    LogFollower(std::string app_dir, Sink sink, std::string blocking_connect)
        : app_dir_(std::move(app_dir)), sink_(std::move(sink)), blocking_connect_(std::move(blocking_connect)) {}
    ~LogFollower() { stop(); }
    LogFollower(const LogFollower&) = delete;
    LogFollower& operator=(const LogFollower&) = delete;

    // Follows today's log from its present end; `reading`: where the call is
    // before its first line (may be empty).
    void start(std::string reading);
    // Hands on what the call wrote up to now, and stops.
    void stop();

private:
    void run();
    void poll();
    void take(const std::string& logged, int seconds);
    void advance(std::string_view name, const std::string& text, int seconds);
    std::string reading_now(int seconds) const;

    std::string app_dir_;
    Sink sink_;
    std::string blocking_connect_;
    std::string path_;
    long offset_ = 0;
    std::string partial_;
    std::thread thread_;
    std::mutex stop_mutex_;
    std::condition_variable stop_wake_;
    bool stopping_ = false;
    std::chrono::steady_clock::time_point started_;

    // Where the call is, from the last lines it wrote.
    std::string state_;
    int wait_start_ = 0;      // seconds: when the present wait began
    int naks_before_ = 0;     // NAKs sent before the present wait
    bool counts_naks_ = false;
    bool after_ack_ = false;  // Zelta_Ack's own ACK, not the automatic one
    std::string last_reading_;
    int last_shown_ = 0;
};

}  // namespace zpos::tools
