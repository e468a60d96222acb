// The daily log file: "Logs/AppLog.YYMMDD.txt" under the application directory.
// Each line is appended with one write as soon as it is rendered, so a crash
// loses at most that line. Results: 0 written, -5 the file cannot be opened.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/call_state.h"

namespace zpos {

// The log writes into the application directory of the call being run; each
// entry point names its call's state before anything is logged.
void log_begin_call(const CallState& call);

// While one lives (an exported call), the lines share one descriptor of the
// log file: the first line opens it, a line for another day's file reopens
// it, and the end closes it, so none outlives the call. Without one, each
// line opens and closes the file itself.
class LogDescriptorHeld {
public:
    LogDescriptorHeld();
    ~LogDescriptorHeld();
    LogDescriptorHeld(const LogDescriptorHeld&) = delete;
    LogDescriptorHeld& operator=(const LogDescriptorHeld&) = delete;
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
