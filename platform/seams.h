// Everything a test may replace, in one table, as SQLite keeps its system
// calls in aSyscall[]: the executable's path, the notice, the clock, the
// pause, the registry store's file, the link's waits, the backup server's
// port, the reply parser, the backup hand-over and the paths the entry points
// run. A null function or a zero number stands for the library's own; the
// one exception is the backup hand-over, which module start wires in (the
// reply layer cannot name the backup route). The table sits here, below
// every layer that reads it; its members are plain function pointers and
// numbers.
#pragma once

#include <cstddef>

#include "platform/result_types.h"

namespace zpos::platform {

struct Seams {
    // ---- Platform ----
    void (*executable_path)(char* out, std::size_t size);  // the POS executable's full path
    void (*notice)(const char* text);                       // takes a notice's CP949 text instead of showing it
    long long (*clock)();                                   // seconds since 1970-01-01 00:00 UTC
    void (*pause)(int milliseconds);
    const char* (*registry_file)();  // the POSIX registry store, before $ZPOS_REGISTRY_FILE

    // ---- Host link ----
    int connect_timeout_ms;  // the non-blocking connect's wait
    int link_wait_ms;        // every read wait of the link and the download
    BackupRouteResult (*reply_parser)(char* response, const char* reply, int length, int kind);

    // ---- Backup route ----
    int backup_port;  // the backup server's; the backup request builder puts 0 back
    // A declined cancellation to the backup route; null: none.
    BackupRouteResult (*backup_handover)(char* response);

    // ---- What the entry points run ----
    SendResult (*cheque)(char* request, char* response);            // message kind 1
    SendResult (*card)(char* request, char* response, int kind);    // kinds 2, 4 to 12
    SendResult (*points)(char* request, char* response, int kind);  // kinds 60 to 64
    AutoAckResult (*auto_ack)();                                    // a declined reply, primary route
};

// The table every reader goes through.
Seams& seams();
// Back to the table module start left: the library's own everywhere.
void reset_seams();
// Module start: the entries only the entry layer can name.
void set_module_seams(const Seams& own);

// A test's stand-in, else the library's own.
template <class Function>
Function seam_or(Function stand_in, Function own) {
    return stand_in ? stand_in : own;
}

}  // namespace zpos::platform
