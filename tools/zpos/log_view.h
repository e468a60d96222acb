// The library's daily log as zpos reads it: `zpos log` over a whole file,
// records field by field and every other line with its meaning, and the
// waiting lines printed while a call runs. The reading of lines and the
// following of a call are tools/common/log_follower.h's.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "tools/common/log_follower.h"

namespace zpos::cli {

using tools::all_bytes;
using tools::known_line;
using tools::LogEntry;
using tools::parse_log_line;
using tools::today_log_path;
using LogLine = library_log::Line;

// A text line for reading: Korean as UTF-8.
std::string readable(std::string_view text);

// `zpos log`: record lines field by field, the other lines as a timeline with
// their meanings. False when the file cannot be read.
bool show_log(std::FILE* out, const std::string& path);

// Runs `call` while today's log of `app_dir` is followed: every new line with
// the seconds since the call began, and where the call waits. `reading`:
// where it is before its first line (may be empty).
int with_waiting_lines(std::FILE* out, const std::string& app_dir, const char* reading,
                       const std::function<int()>& call);

}  // namespace zpos::cli
