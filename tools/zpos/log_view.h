// The library's daily log as zpos reads it: lines back into their bytes, each
// text line recognised in the table of log lines with its meaning, records
// shown field by field; `zpos log` over a whole file, and the waiting lines
// that follow today's file while a call runs.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <thread>

#include "tools/zpos/name_tables.h"

namespace zpos::cli {

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
// A text line for reading: Korean as UTF-8.
std::string readable(std::string_view text);

// The table's line that a rendered text is (the one with most fixed text
// when several formats fit), or nullptr.
const LogLine* known_line(std::string_view rendered);

// `zpos log`: record lines field by field, the other lines as a timeline with
// their meanings. False when the file cannot be read.
bool show_log(std::FILE* out, const std::string& path);

// Follows today's log of an application directory from its present end, on a
// thread, while one call of the library runs: prints every new line with the
// seconds since start(), and a reading of where the call waits whenever it
// changes and every five seconds while it does not.
class LogTail {
public:
    LogTail(std::FILE* out, std::string app_dir) : out_(out), app_dir_(std::move(app_dir)) {}
    ~LogTail() { stop(); }
    LogTail(const LogTail&) = delete;
    LogTail& operator=(const LogTail&) = delete;

    // `reading`: where the call is before its first line (may be empty).
    void start(std::string reading);
    // Shows what the call wrote up to now and stops.
    void stop();

private:
    void run();
    void poll();
    void take(const std::string& text, int seconds);
    // Where the call is after one of the table's lines.
    void advance(std::string_view name, const std::string& text, int seconds);
    std::string reading_now(int seconds) const;

    std::FILE* out_;
    std::string app_dir_;
    std::string path_;
    long offset_ = 0;
    std::string partial_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
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

}  // namespace zpos::cli
