// Log lines are matched in the form the log holds them: the table's texts are
// rendered the way their writers render them and their printf conversions
// match what they can print. A literal "[05]" in a text is thus never
// mistaken for a byte; only records are turned back into bytes.
#include "tools/common/log_follower.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

#include "tools/common/system.h"
#include "zposapp_records.h"

namespace zpos::tools {

namespace {

namespace log = zpos::library_log;

constexpr int kTickSeconds = 5;
constexpr int kLinkWaitSeconds = log::kLinkWaitMs / 1000;
constexpr char kManagementNext[] = "no EOT: the management message follows";

bool is_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

int hex_value(char c) { return c <= '9' ? c - '0' : c - 'a' + 10; }

// The byte of "[xx]" at `at`, or -1.
int escaped_byte(std::string_view s, std::size_t at) {
    if (at + 4 > s.size() || s[at] != '[' || s[at + 3] != ']' || !is_hex(s[at + 1]) || !is_hex(s[at + 2]))
        return -1;
    return hex_value(s[at + 1]) * 16 + hex_value(s[at + 2]);
}

// A table text as the log holds it: the text writers copy it as it is, so
// Korean stays CP949; the one text written as bytes (the cash line) has its
// line breaks as [0a], and no other text has control bytes.
std::string rendered(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        unsigned char b = static_cast<unsigned char>(*p);
        if (b < 0x20 || b == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "[%02x]", b);
            out += hex;
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

// Does `text` from `t` on match `format` from `f` on? Counts the fixed
// characters matched into `fixed`.
bool matches(std::string_view format, std::size_t f, std::string_view text, std::size_t t, int& fixed) {
    while (f < format.size()) {
        if (format[f] != '%') {
            if (t >= text.size() || text[t] != format[f]) return false;
            ++f, ++t, ++fixed;
            continue;
        }
        std::size_t at = f + 1;
        while (at < format.size() && std::strchr("-0 ", format[at])) ++at;
        while (at < format.size() && format[at] >= '0' && format[at] <= '9') ++at;
        std::size_t precision = std::string_view::npos;
        if (at < format.size() && format[at] == '.') {
            precision = 0;
            for (++at; at < format.size() && format[at] >= '0' && format[at] <= '9'; ++at)
                precision = precision * 10 + static_cast<std::size_t>(format[at] - '0');
        }
        while (at < format.size() && format[at] == 'l') ++at;
        if (at >= format.size()) return false;
        char conversion = format[at];
        std::size_t rest = at + 1;
        if (conversion == 's') {
            // A text argument: any length up to its precision.
            std::size_t most = text.size() - t;
            if (precision < most) most = precision;
            for (std::size_t n = most + 1; n-- > 0;) {
                int more = 0;
                if (matches(format, rest, text, t + n, more)) {
                    fixed += more;
                    return true;
                }
            }
            return false;
        }
        // A number: blanks of its width, a sign, digits.
        while (t < text.size() && text[t] == ' ') ++t;
        if (t < text.size() && text[t] == '-') ++t;
        std::size_t digits = t;
        while (t < text.size() && (conversion == 'x' ? is_hex(text[t]) : (text[t] >= '0' && text[t] <= '9'))) ++t;
        if (t == digits) return false;
        f = rest;
    }
    return t == text.size();
}

bool is_record_size(std::size_t n) { return n == ZPOSAPP_REQUEST_SIZE || n == ZPOSAPP_RESPONSE_SIZE; }

}  // namespace

std::string today_log_path(const std::string& app_dir) {
    std::tm tm = os::local_time(std::time(nullptr));
    char date[16];
    std::strftime(date, sizeof date, "%y%m%d", &tm);
    return app_dir + "/Logs/AppLog." + date + ".txt";
}

bool parse_log_line(std::string_view line, LogEntry& out) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() < 13 || line[0] != '[' || line.substr(9, 4) != "] - ") return false;
    out.time = std::string(line.substr(1, 8));
    out.text = std::string(line.substr(13));
    return true;
}

std::string all_bytes(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        int b = escaped_byte(s, i);
        out += b < 0 ? s[i] : static_cast<char>(b);
        i += b < 0 ? 1 : 4;
    }
    return out;
}

const log::Line* known_line(std::string_view text) {
    const log::Line* best = nullptr;
    int best_fixed = -1;
    for (const log::Line& line : log::kLines) {
        std::string form = rendered(line.text);
        int fixed = 0;
        bool hit = line.format ? matches(form, 0, text, 0, fixed) : form == text;
        if (!line.format) fixed = static_cast<int>(form.size()) + 1000;  // a fixed text beats any format
        if (hit && fixed > best_fixed) {
            best = &line;
            best_fixed = fixed;
        }
    }
    return best;
}

// ---- Following a call ----

void LogFollower::start(std::string reading) {
    path_ = today_log_path(app_dir_);
    struct stat st {};
    offset_ = ::stat(path_.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
    partial_.clear();
    state_ = std::move(reading);
    counts_naks_ = after_ack_ = false;
    last_reading_.clear();
    last_shown_ = 0;
    started_ = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(stop_mutex_);
        stopping_ = false;
    }
    thread_ = std::thread([this] { run(); });
}

void LogFollower::stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(stop_mutex_);
        stopping_ = true;
    }
    // Woken at once: the call's answer waits for this last look at the log.
    stop_wake_.notify_all();
    thread_.join();
}

void LogFollower::run() {
    std::unique_lock lock(stop_mutex_);
    for (;;) {
        bool last = stopping_;
        lock.unlock();
        poll();
        if (last) return;
        lock.lock();
        stop_wake_.wait_for(lock, std::chrono::milliseconds(100), [&] { return stopping_; });
    }
}

void LogFollower::poll() {
    int seconds = static_cast<int>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started_).count());
    // After midnight the library writes to the new day's file.
    std::string path = today_log_path(app_dir_);
    if (path != path_) {
        path_ = path;
        offset_ = 0;
    }
    std::ifstream in(path_, std::ios::binary);
    if (in) {
        in.seekg(offset_);
        std::string chunk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        offset_ += static_cast<long>(chunk.size());
        partial_ += chunk;
        for (std::size_t nl; (nl = partial_.find('\n')) != std::string::npos;) {
            LogEntry e;
            if (parse_log_line(std::string_view(partial_).substr(0, nl), e)) take(e.text, seconds);
            partial_.erase(0, nl + 1);
        }
    }
    std::string reading = reading_now(seconds);
    if (!reading.empty() && (reading != last_reading_ || seconds - last_shown_ >= kTickSeconds)) {
        sink_.reading(reading, seconds);
        last_shown_ = seconds;
    }
    last_reading_ = reading;
}

void LogFollower::take(const std::string& text, int seconds) {
    std::string bytes = all_bytes(text);
    if (is_record_size(bytes.size())) {
        sink_.record(bytes.size(), seconds);
        // The response is the call's last line.
        if (bytes.size() == ZPOSAPP_RESPONSE_SIZE) {
            counts_naks_ = false;
            state_.clear();
        }
        return;
    }
    sink_.line(text, seconds);
    if (const log::Line* line = known_line(text)) advance(line->name, text, seconds);
}

void LogFollower::advance(std::string_view name, const std::string& text, int seconds) {
    // Lines that leave the call where it was.
    for (std::string_view same : {"connect_result", "no_cvm_sign", "not_sign", "pad_report", "pad_field_a",
                                  "pad_field_b", "pad_field_c", "sign_length", "pin_result", "cash_auth", "cash_cancel"})
        if (name == same) return;
    auto wait = [&](const std::string& what) {
        state_ = what;
        wait_start_ = seconds;
    };
    if (name == "request_built") {
        wait("building the request");
    } else if (name == "pad_port" || name == "pin_card") {
        wait("waiting for the signature or PIN pad");
    } else if (name == "connect_info") {
        wait(state_ == kManagementNext ? "connecting for the management message"
                                       : "connecting to the host (" + std::to_string(log::kConnectTimeoutMs / 1000) +
                                             " s)");
    } else if (name == "nonblock_failed") {
        wait(blocking_connect_);
    } else if (name == "nonblock_connected" || name == "blocking_connected") {
        wait("waiting for the host's ENQ (" + std::to_string(kLinkWaitSeconds) + " s)");
    } else if (name == "enq_received") {
        wait("waiting for the host's reply");
        naks_before_ = 0;
        counts_naks_ = true;
    } else if (name == "enq_retry" || name == "reply_not_set") {
        int naks = naks_before_ + (seconds - wait_start_) / kLinkWaitSeconds + (name == "reply_not_set" ? 1 : 0);
        wait("waiting for the host's reply");
        naks_before_ = naks < log::kReplyRetries ? naks : log::kReplyRetries;
    } else if (name == "ack_sent" || name == "auto_ack_sent") {
        after_ack_ = name == "ack_sent";
        counts_naks_ = false;
        wait("waiting for the host's EOT");
    } else if (name == "eot_fail" || name == "auto_eot_fail") {
        std::size_t at = text.find("count[");
        int frames = at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 6);
        wait("waiting for the host's EOT, " + std::to_string(frames) + " of " + std::to_string(log::kEotFrames) +
             " frames without it");
    } else if (after_ack_ && (name == "eot_timeout" || name == "eot_not_set" || name == "eot_short" ||
                              name == "eot_error")) {
        after_ack_ = false;
        wait(kManagementNext);
    } else {
        // Every other line ends a wait: the call is about to return, or goes
        // on without waiting.
        counts_naks_ = false;
        state_.clear();
    }
}

std::string LogFollower::reading_now(int seconds) const {
    if (!counts_naks_ || state_.empty()) return state_;
    int naks = naks_before_ + (seconds - wait_start_) / kLinkWaitSeconds;
    if (naks > log::kReplyRetries) naks = log::kReplyRetries;
    if (naks == 0) return state_;
    return state_ + ", NAK " + std::to_string(naks) + " of " + std::to_string(log::kReplyRetries);
}

}  // namespace zpos::tools
