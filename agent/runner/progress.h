// Where a running library call is: the library's daily log followed from its
// end while the call runs, each new line handed on, and a reading of what the
// call waits for ("waiting for the host's reply, NAK 2 of 3, 25 s") whenever
// it changes and every five seconds while it does not.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace zpos::agent {

class Progress {
public:
    // `line`: a log line, readable (Korean as UTF-8, records by their size);
    // `reading`: where the call waits, with its seconds.
    struct Sink {
        std::function<void(const std::string& line)> line;
        std::function<void(const std::string& reading)> reading;
    };

    Progress(std::string app_dir, Sink sink) : app_dir_(std::move(app_dir)), sink_(std::move(sink)) {}
    ~Progress() { stop(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // `reading`: where the call is before its first line (may be empty).
    void start(std::string reading);
    // Hands on what the call wrote up to now, and stops.
    void stop();

    // The same as the thread does, for one log line: exposed for the tests
    // of the reading.
    void take(const std::string& rendered, int seconds);
    std::string reading_now(int seconds) const;

private:
    void run();
    void poll();
    void advance(std::string_view name, const std::string& text, int seconds);

    std::string app_dir_;
    Sink sink_;
    std::string path_;
    long offset_ = 0;
    std::string partial_;
    std::thread thread_;
    std::mutex stop_mutex_;
    std::condition_variable stop_wake_;
    bool stopping_ = false;
    std::chrono::steady_clock::time_point started_;

    std::string state_;
    int wait_start_ = 0;
    int naks_before_ = 0;
    bool counts_naks_ = false;
    bool after_ack_ = false;
    std::string last_reading_;
    int last_shown_ = 0;
};

}  // namespace zpos::agent
