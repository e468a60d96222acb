// The application directory zpos works in: the one the library sees when zpos
// calls it, and the one `settings`, `log` and `in-doubt` read by default.
#pragma once

#include <string>

namespace zpos::cli {

// Decided once per process, on first use: ZPOS_APP_DIR when it is set and not
// empty; else zpos's own directory, unless that is a system folder (under
// /usr, /bin, /sbin, /lib, /opt or /snap, or not writable by this user), where
// the state folder $XDG_STATE_HOME/zposapp (~/.local/state/zposapp when that
// is unset) takes its place, created when missing and named in ZPOS_APP_DIR
// for the library. The first use says on standard error which folder it is,
// with a warning when the library cannot write there.
const std::string& app_dir();

}  // namespace zpos::cli
