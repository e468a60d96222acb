// The daily log file: "Logs/AppLog.YYMMDD.txt" under the application directory.
// Each line is appended with one write as soon as it is rendered, so a crash
// loses at most that line. Results: 0 written, -5 the file cannot be opened.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/module.h"

namespace zpos {

// The log writes through the module's log target, into the application
// directory of its call; each entry point installs it before anything is
// logged. Lines written before any is installed go to an empty directory's
// "Logs" folder.
void log_begin_call(Module& module);

// While one lives (an exported call), the lines share one descriptor of the
// log file: the first line opens it, a line for another day's file reopens
// it, and the end closes it, so none outlives the call. Without one, each
// line opens and closes the file itself. The default one holds the log
// target installed at the time (none: nothing is held).
class LogDescriptorHeld {
public:
    LogDescriptorHeld();
    explicit LogDescriptorHeld(Module& module);  // installs the module's log target first
    ~LogDescriptorHeld();
    LogDescriptorHeld(const LogDescriptorHeld&) = delete;
    LogDescriptorHeld& operator=(const LogDescriptorHeld&) = delete;

private:
    LogTarget* target_;
};

// The application directory (at most 200 characters) into `dest` (>= 201 bytes).
int GetAppDir(char* dest);

// Any bytes, non-printable ones as "[%02x]".
int WriteLog(const void* bytes, std::int32_t count);
// Like WriteLog, with the four bytes either side of the last '=' and the '='
// itself shown as '*' (card number tail and expiry of a track image).
int WriteLogMasked(const void* bytes, std::int32_t count);
// One line of text.
int WriteLogText(const char* text);
// printf-style text formatted into a buffer of `capacity` bytes (the length the
// caller's line allows), then WriteLogText.
void write_log_format(std::size_t capacity, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace zpos
