// The daily log file: "Logs/AppLog.YYMMDD.txt" under the application directory.
// Each call opens the file, appends exactly one line and closes it, so a crash
// loses at most that line. Results: 0 written, -5 the file cannot be opened.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/call_state.h"

namespace zpos {

// The log writes into the application directory of the call being run; each
// entry point names its call's state before anything is logged.
void log_begin_call(const CallState& call);

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
int WriteLogFormat(std::size_t capacity, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace zpos
