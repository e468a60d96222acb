#include "agent/runner/progress.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <vector>

#include "agent/runner/records.h"
#include "tools/common/library_log.h"
#include "zposapp.h"

namespace zpos::agent {

namespace {

namespace log = zpos::library_log;

constexpr int kTickSeconds = 5;
constexpr int kLinkWaitSeconds = log::kLinkWaitMs / 1000;
constexpr char kManagementNext[] = "no EOT: the management message follows";

std::string today_log_path(const std::string& app_dir) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char date[16];
    std::strftime(date, sizeof date, "%y%m%d", &tm);
    return app_dir + "/Logs/AppLog." + date + ".txt";
}

// Bytes as the log shows them: each byte outside 0x20..0x7E as [xx].
std::string rendered(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c <= 0x7E) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "[%02x]", c);
            out += hex;
        }
    }
    return out;
}

// Every [xx] back into its byte.
std::string all_bytes(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '[' && i + 3 < text.size() && text[i + 3] == ']' && std::isxdigit(text[i + 1]) &&
            std::isxdigit(text[i + 2])) {
            out += static_cast<char>(std::strtol(std::string(text.substr(i + 1, 2)).c_str(), nullptr, 16));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The fixed pieces of a format, as the log shows them, between its
// conversions.
std::vector<std::string> fixed_pieces(const log::Line& line) {
    std::vector<std::string> pieces(1);
    std::string_view t = line.text;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (line.format && t[i] == '%') {
            if (i + 1 < t.size() && t[i + 1] == '%') {
                pieces.back() += '%';
                ++i;
                continue;
            }
            std::size_t j = i + 1;
            while (j < t.size() && std::string_view("-+ #0123456789.lhz").find(t[j]) != std::string_view::npos) ++j;
            i = j;
            pieces.emplace_back();
        } else {
            pieces.back() += t[i];
        }
    }
    for (auto& p : pieces) p = rendered(p);
    return pieces;
}

bool fits(const std::vector<std::string>& pieces, std::string_view text) {
    if (pieces.size() == 1) return text == pieces[0];
    if (text.substr(0, pieces.front().size()) != pieces.front()) return false;
    std::size_t at = pieces.front().size();
    for (std::size_t i = 1; i + 1 < pieces.size(); ++i) {
        std::size_t found = text.find(pieces[i], at);
        if (found == std::string_view::npos) return false;
        at = found + pieces[i].size();
    }
    const std::string& last = pieces.back();
    return text.size() >= at + last.size() && text.substr(text.size() - last.size()) == last;
}

// The table's line that `text` is (the one with most fixed text when several
// formats fit), or nullptr.
const log::Line* known_line(std::string_view text) {
    const log::Line* best = nullptr;
    std::size_t best_fixed = 0;
    for (const log::Line& line : log::kLines) {
        std::vector<std::string> pieces = fixed_pieces(line);
        std::size_t fixed = 0;
        for (const auto& p : pieces) fixed += p.size();
        if (fixed > best_fixed && fits(pieces, text)) {
            best = &line;
            best_fixed = fixed;
        }
    }
    return best;
}

}  // namespace

void Progress::start(std::string reading) {
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

void Progress::stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(stop_mutex_);
        stopping_ = true;
    }
    // Woken at once: the call's answer waits for this last look at the log.
    stop_wake_.notify_all();
    thread_.join();
}

void Progress::run() {
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

void Progress::poll() {
    int seconds = static_cast<int>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started_).count());
    std::string path = today_log_path(app_dir_);
    // After midnight the library writes to the new day's file.
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
            std::string line = partial_.substr(0, nl);
            partial_.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            // "[hh:mm:ss] - " and the text.
            if (line.size() > 13 && line[0] == '[' && line.compare(9, 4, "] - ") == 0) take(line.substr(13), seconds);
        }
    }
    std::string reading = reading_now(seconds);
    if (!reading.empty() && (reading != last_reading_ || seconds - last_shown_ >= kTickSeconds)) {
        sink_.reading(reading + ", " + std::to_string(seconds) + " s");
        last_shown_ = seconds;
    }
    last_reading_ = reading;
}

void Progress::take(const std::string& text, int seconds) {
    std::string bytes = all_bytes(text);
    if (bytes.size() == ZPOSAPP_REQUEST_SIZE || bytes.size() == ZPOSAPP_RESPONSE_SIZE) {
        // A record is shown by its size only: the log masks its card, but the
        // events need none of it.
        bool response = bytes.size() == ZPOSAPP_RESPONSE_SIZE;
        sink_.line(std::string(response ? "(response record, " : "(request record, ") +
                   std::to_string(bytes.size()) + " bytes)");
        if (response) {
            counts_naks_ = false;
            state_.clear();
        }
        return;
    }
    sink_.line(cp949_to_utf8(bytes));
    if (const log::Line* line = known_line(text)) advance(line->name, text, seconds);
}

void Progress::advance(std::string_view name, const std::string& text, int seconds) {
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
        wait("connecting again, blocking, as long as the system allows");
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

std::string Progress::reading_now(int seconds) const {
    if (!counts_naks_ || state_.empty()) return state_;
    int naks = naks_before_ + (seconds - wait_start_) / kLinkWaitSeconds;
    if (naks > log::kReplyRetries) naks = log::kReplyRetries;
    if (naks == 0) return state_;
    return state_ + ", NAK " + std::to_string(naks) + " of " + std::to_string(log::kReplyRetries);
}

}  // namespace zpos::agent
