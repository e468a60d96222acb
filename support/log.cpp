// The three log writers and GetAppDir. A line is rendered into a fixed buffer
// and appended with one write, so lines of several processes never mix; only a
// line longer than the buffer (a frame beyond 4 KiB) goes out in pieces.
#include "support/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/platform.h"

namespace zpos {

namespace {

constexpr int kLogFailed = -5;
// The masked writer renders from a copy sized for the records it is given
// (240 and 450 bytes, inside a 1000-byte response buffer).
constexpr std::int32_t kMaskedCopySize = 1000;

// The module's log target, which entry installs (log_begin_call); before
// that, lines go to the "Logs" folder of an empty application directory, each
// opening the file itself.
LogTarget* g_target = nullptr;

platform::AppendFile open_log(const char* path) {
    if (!g_target) return platform::append_open(path);
    LogTarget& t = *g_target;
    if (t.file != platform::kNoFile && std::strcmp(t.path, path) == 0) return t.file;
    platform::AppendFile file = platform::append_open(path);
    if (!t.held || file == platform::kNoFile) return file;
    platform::append_close(t.file);
    t.file = file;
    std::snprintf(t.path, sizeof t.path, "%s", path);
    return file;
}

// One piece of a line at the end of the file; -1 when it cannot be opened.
long append(const char* path, const char* bytes, std::size_t len) {
    platform::AppendFile file = open_log(path);
    if (file == platform::kNoFile) return -1;
    long written = platform::append_write(file, bytes, len);
    if (!g_target || !g_target->held) platform::append_close(file);
    return written;
}

class LogLine {
public:
    // Takes the time once, so the file's date and the line's time agree.
    LogLine() {
        std::tm tm{};
        platform::local_time(platform::now(), tm);
        char time_text[16], date_text[16];
        std::strftime(time_text, sizeof time_text, "%H:%M:%S", &tm);
        std::strftime(date_text, sizeof date_text, "%y%m%d", &tm);

        std::snprintf(dir_, sizeof dir_, "%.200s%cLogs", g_target ? g_target->app_dir : "", platform::kPathSep);
        std::snprintf(path_, sizeof path_, "%.300s%cAppLog.%.6s.txt", dir_, platform::kPathSep, date_text);
        len_ = static_cast<std::size_t>(std::snprintf(buf_, sizeof buf_, "[%.8s] - ", time_text));
    }

    // Text as a text-mode file writes it: every "\n" becomes the system's
    // line end (CR LF on Windows).
    void put(const char* text, std::size_t n) {
        while (n > 0) {
            const void* lf = std::memchr(text, '\n', n);
            std::size_t run = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - text) : n;
            put_bytes(text, run);
            if (!lf) return;
            put_bytes(platform::kLineEnd, sizeof platform::kLineEnd - 1);
            text += run + 1;
            n -= run + 1;
        }
    }
    void put(const char* text) { put(text, std::strlen(text)); }

    void put_bytes(const char* text, std::size_t n) {
        while (n > 0) {
            if (len_ == sizeof buf_) flush();
            std::size_t room = sizeof buf_ - len_;
            std::size_t take = n < room ? n : room;
            std::memcpy(buf_ + len_, text, take);
            len_ += take;
            text += take;
            n -= take;
        }
    }

    void put_byte(unsigned char b) {
        if (b >= 0x20 && b <= 0x7E) {
            char c = static_cast<char>(b);
            put_bytes(&c, 1);
        } else {
            // Korean text and control bytes alike: hexadecimal, whatever the locale.
            char hex[5];
            std::snprintf(hex, sizeof hex, "[%02x]", b);
            put_bytes(hex, 4);
        }
    }

    int finish() {
        put("\n", 1);
        flush();
        return failed_ ? kLogFailed : 0;
    }

private:
    // The log directory is made when the file cannot be opened without it,
    // so a line costs no look-up while the directory is there.
    void flush() {
        if (len_ && !failed_) {
            long written = append(path_, buf_, len_);
            if (written < 0) {
                if (!platform::path_exists(dir_)) platform::make_directory(dir_);
                written = append(path_, buf_, len_);
            }
            failed_ = written != static_cast<long>(len_);
        }
        len_ = 0;
    }

    char dir_[300];
    char path_[300];
    char buf_[4096];
    std::size_t len_ = 0;
    bool failed_ = false;
};

}  // namespace

void log_begin_call(Module& module) {
    module.log.app_dir = module.call.app_dir;
    g_target = &module.log;
}

LogDescriptorHeld::LogDescriptorHeld() : target_(g_target) {
    if (target_) target_->held = true;
}

LogDescriptorHeld::LogDescriptorHeld(Module& module) : target_(&module.log) {
    log_begin_call(module);
    target_->held = true;
}

LogDescriptorHeld::~LogDescriptorHeld() {
    if (!target_) return;
    platform::append_close(target_->file);
    const char* app_dir = target_->app_dir;
    *target_ = LogTarget{};
    target_->app_dir = app_dir;
}

int GetAppDir(char* dest) {
    char path[256] = {};
    if (platform::app_dir_from_environment(path, sizeof path)) {
        std::snprintf(dest, 201, "%.200s", path);
        // A named folder that is not there yet is made: without it the log
        // and the route state would be lost without a word.
        if (dest[0] != '\0' && !platform::path_exists(dest)) platform::make_directories(dest);
        return 0;
    }
    platform::executable_path(path, sizeof path);
    int last = -1;
    for (int i = 0; i < 255; ++i)
        if (path[i] == platform::kPathSep) last = i;
    if (last >= 0)
        path[last] = '\0';
    else
        path[0] = '\0';
    std::snprintf(dest, 201, "%.200s", path);
    return 0;
}

int WriteLog(const void* bytes, std::int32_t count) {
    LogLine line;
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (std::int32_t i = 0; i < count; ++i) line.put_byte(p[i]);
    return line.finish();
}

int WriteLogMasked(const void* bytes, std::int32_t count) {
    if (count < 0) count = 0;
    if (count > kMaskedCopySize) count = kMaskedCopySize;
    unsigned char copy[kMaskedCopySize];
    std::memcpy(copy, bytes, static_cast<std::size_t>(count));

    std::int32_t p = 0;
    for (std::int32_t i = 0; i < count; ++i)
        if (copy[i] == '=') p = i;

    LogLine line;
    for (std::int32_t i = 0; i < count; ++i) {
        if (p > 10 && i > p - 5 && i < p + 5)
            line.put("*", 1);
        else
            line.put_byte(copy[i]);
    }
    return line.finish();
}

int WriteLogText(const char* text) {
    LogLine line;
    line.put(text ? text : "");
    return line.finish();
}

void write_log_format(std::size_t capacity, const char* format, ...) {
    char text[1024];
    if (capacity > sizeof text) capacity = sizeof text;
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, capacity, format, args);
    va_end(args);
    WriteLogText(text);
}

}  // namespace zpos
