// Log lines are matched in the form the log holds them: the table's texts are
// rendered the way their writers render them and their printf conversions
// match what they can print. A literal "[05]" in a text is thus never
// mistaken for a byte; only records are turned back into bytes.
#include "tools/zpos/log_view.h"

#include <sys/stat.h>

#include <cstring>
#include <ctime>
#include <fstream>
#include <vector>

#include "support/records.h"
#include "tools/common/library_log.h"
#include "tools/zpos/name_tables.h"
#include "tools/zpos/record_view.h"

namespace zpos::cli {

namespace {

constexpr int kTickSeconds = 5;
using library_log::kEotFrames;
using library_log::kReplyRetries;
constexpr int kLinkWaitSeconds = library_log::kLinkWaitMs / 1000;
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

std::string since(int seconds) { return std::to_string(seconds) + " s"; }

void show_record(std::FILE* out, const std::string& bytes) {
    if (bytes.size() == req::kSize) {
        std::fprintf(out, "request record, %zu bytes:\n", bytes.size());
        print_request(out, bytes.data());
    } else {
        std::fprintf(out, "response record, %zu bytes:\n", bytes.size());
        print_response(out, bytes.data());
    }
}

bool is_record(const std::string& bytes) { return bytes.size() == req::kSize || bytes.size() == resp::kSize; }

int seconds_of(const std::string& hhmmss) {
    int h = 0, m = 0, s = 0;
    if (std::sscanf(hhmmss.c_str(), "%d:%d:%d", &h, &m, &s) != 3) return 0;
    return h * 3600 + m * 60 + s;
}

}  // namespace

std::string today_log_path(const std::string& app_dir) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char date[16];
    std::strftime(date, sizeof date, "%y%m%d", &tm);
    return app_dir + "/Logs/AppLog." + date + ".txt";
}

bool parse_log_line(std::string_view line, LogEntry& out) {
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

std::string readable(std::string_view s) { return to_utf8(s.data(), s.size()); }

const LogLine* known_line(std::string_view text) {
    const LogLine* best = nullptr;
    int best_fixed = -1;
    for (const LogLine& line : kLogLines) {
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

bool show_log(std::FILE* out, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::fprintf(out, "log %s\n", path.c_str());
    int start = -1;
    for (std::string line; std::getline(in, line);) {
        LogEntry e;
        if (!parse_log_line(line, e)) continue;
        std::string bytes = all_bytes(e.text);
        int now = seconds_of(e.time);
        if (bytes.size() == req::kSize) {
            start = now;
            std::fprintf(out, "\n== %s transaction\n", e.time.c_str());
        }
        int elapsed = start < 0 ? 0 : (now - start + 86400) % 86400;
        if (is_record(bytes)) {
            std::fprintf(out, "%s  +%-5s ", e.time.c_str(), since(elapsed).c_str());
            show_record(out, bytes);
            continue;
        }
        const LogLine* known = known_line(e.text);
        std::fprintf(out, "%s  +%-5s %s\n", e.time.c_str(), since(elapsed).c_str(), readable(e.text).c_str());
        if (known) std::fprintf(out, "%17s %s\n", "", known->meaning);
    }
    return true;
}

// ---- The waiting lines ----

void LogTail::start(std::string reading) {
    path_ = today_log_path(app_dir_);
    struct stat st {};
    offset_ = stat(path_.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
    state_ = std::move(reading);
    started_ = std::chrono::steady_clock::now();
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

void LogTail::stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    thread_.join();
}

void LogTail::run() {
    for (;;) {
        bool last = stopping_;
        poll();
        if (last) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void LogTail::poll() {
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
        std::fprintf(out_, "  ~ %s, %s\n", reading.c_str(), since(seconds).c_str());
        std::fflush(out_);
        last_shown_ = seconds;
    }
    last_reading_ = reading;
}

void LogTail::take(const std::string& text, int seconds) {
    std::string bytes = all_bytes(text);
    if (is_record(bytes)) {
        std::fprintf(out_, "  | %-5s (%s record, %zu bytes)\n", since(seconds).c_str(),
                     bytes.size() == req::kSize ? "request" : "response", bytes.size());
        std::fflush(out_);
        // The response is the call's last line.
        if (bytes.size() == resp::kSize) {
            counts_naks_ = false;
            state_.clear();
        }
        return;
    }
    std::fprintf(out_, "  | %-5s %s\n", since(seconds).c_str(), readable(text).c_str());
    std::fflush(out_);
    if (const LogLine* line = known_line(text)) advance(line->name, text, seconds);
}

void LogTail::advance(std::string_view name, const std::string& text, int seconds) {
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
        wait(state_ == kManagementNext ? "connecting for the management message" : "connecting to the host (2 s)");
    } else if (name == "nonblock_failed") {
        wait("connecting again, blocking, as long as the system allows");
    } else if (name == "nonblock_connected" || name == "blocking_connected") {
        wait("waiting for the host's ENQ (10 s)");
    } else if (name == "enq_received") {
        wait("waiting for the host's reply");
        naks_before_ = 0;
        counts_naks_ = true;
    } else if (name == "enq_retry" || name == "reply_not_set") {
        int naks = naks_before_ + (seconds - wait_start_) / kLinkWaitSeconds + (name == "reply_not_set" ? 1 : 0);
        wait("waiting for the host's reply");
        naks_before_ = naks < kReplyRetries ? naks : kReplyRetries;
    } else if (name == "ack_sent" || name == "auto_ack_sent") {
        after_ack_ = name == "ack_sent";
        counts_naks_ = false;
        wait("waiting for the host's EOT");
    } else if (name == "eot_fail" || name == "auto_eot_fail") {
        std::size_t at = text.find("count[");
        int frames = at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 6);
        wait("waiting for the host's EOT, " + std::to_string(frames) + " of " + std::to_string(kEotFrames) +
             " frames without it");
    } else if (after_ack_ && (name == "eot_timeout" || name == "eot_not_set" || name == "eot_short" ||
                              name == "eot_error")) {
        after_ack_ = false;
        wait(kManagementNext);
    } else {
        // Every other line ends a wait: the call is about to return, or goes on
        // without waiting.
        counts_naks_ = false;
        state_.clear();
    }
}

std::string LogTail::reading_now(int seconds) const {
    if (!counts_naks_ || state_.empty()) return state_;
    int naks = naks_before_ + (seconds - wait_start_) / kLinkWaitSeconds;
    if (naks > kReplyRetries) naks = kReplyRetries;
    if (naks == 0) return state_;
    return state_ + ", NAK " + std::to_string(naks) + " of " + std::to_string(kReplyRetries);
}

}  // namespace zpos::cli
