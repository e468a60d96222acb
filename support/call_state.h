// What one exported call works with: the application directory and the
// settings path built from it, the host address and port, the saved request
// record, the transaction time stamp, the backup server's port and the settings the
// call reads once. The entry points prepare it at the start of every call and pass it
// down to the functions that read or write it; it is part of the module's
// state (support/module.h) and lives as long as the module, so what a call
// leaves (the saved request, the host) is there for the next one (Zelta_Ack).
#pragma once

#include "support/records.h"

namespace zpos {

// The settings keys a call reads once ([LOG], [COM_PORT], [SIGNPAD]), as the
// call's first read of the settings file found them (support/settings).
struct CallSettings {
    static constexpr int kKeys = 6;
    static constexpr int kValueSize = 16;
    bool read = false;
    char values[kKeys][kValueSize] = {};
};

struct CallState {
    char version_code[7] = {};           // "A40X10", the module version code
    char app_dir[210] = {};              // directory of the POS executable, at most 200 characters
    char settings_path[300] = {};        // app_dir + "ZposSign.ini"
    char host_addr[30] = {};             // at most 15 characters of the POS's host address
    int host_port = 0;
    char saved_request[req::kSize] = {}; // last request record given to Zelta_Send
    char tran_time[7] = {};              // "%H%M%S" of the last card-path transaction
    int backup_port = 0;                 // the backup server's port; 0: its default
    // Filled by the call's first read of the settings file, whichever reader
    // makes it; a cache, so readers of a const call state may fill it.
    mutable CallSettings settings;
};

}  // namespace zpos
