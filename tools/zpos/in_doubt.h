// `zpos in-doubt`: the approvals in an application directory's daily logs that
// nothing closed with the host, read with the same line reading as `zpos log`.
// It reads what the log holds; it never asks the host.
#pragma once

#include <cstdio>
#include <string>

namespace zpos::cli {

// What a script reads from the exit status.
inline constexpr int kNoneInDoubt = 0;
inline constexpr int kSomeInDoubt = 1;
// An agent confirms its own sales and keeps those in doubt in its journal,
// which knows more than the log: its folder is left to it.
inline constexpr int kAgentsFolder = 3;
inline constexpr char kAgentJournal[] = "journal.sqlite3";

// Lists every approval in DIR/Logs/AppLog.YYMMDD.txt from the day `since`
// (YYMMDD) on that no close follows; each day's file is read on into the next
// day's, for a sale just before midnight. kNoneInDoubt or kSomeInDoubt;
// false in `readable` when DIR/Logs cannot be read.
int show_in_doubt(std::FILE* out, const std::string& dir, const std::string& since, bool& readable);

}  // namespace zpos::cli
