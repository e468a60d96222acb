// Everything a test may replace, in one table, as SQLite keeps its system
// calls in aSyscall[]: the executable's path, the notice, the clock, the
// pause, the registry store's file and the link's waits. A null function or
// a zero number stands for the system's own. The library's own logic is
// never in here. The table sits here, below every layer that reads it; its
// members are plain function pointers and numbers.
#pragma once

#include <cstddef>

namespace zpos::platform {

struct Seams {
    void (*executable_path)(char* out, std::size_t size);  // the POS executable's full path
    void (*notice)(const char* text);                       // takes a notice's CP949 text instead of showing it
    long long (*clock)();                                   // seconds since 1970-01-01 00:00 UTC
    void (*pause)(int milliseconds);
    const char* (*registry_file)();  // the POSIX registry store, before $ZPOS_REGISTRY_FILE
    int connect_timeout_ms;          // the non-blocking connect's wait
    int link_wait_ms;                // every read wait of the link and the download
};

// The table every reader goes through.
Seams& seams();
// Back to the system's own everywhere.
void reset_seams();

// A test's stand-in, else the system's own.
template <class Function>
Function seam_or(Function stand_in, Function own) {
    return stand_in ? stand_in : own;
}

}  // namespace zpos::platform
