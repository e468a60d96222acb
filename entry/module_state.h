// Module-wide state: what the entry points refill at the start of every call and
// the few values that live from one call to the next (saved request record,
// transaction time stamp, link socket). One instance per loaded
// module; the entry points are not re-entrant, so nothing is locked.
#pragma once

#include "platform/socket.h"
#include "support/records.h"

namespace zpos {

struct ModuleState {
    char version_code[7];      // "A40X10"
    char app_dir[210];         // directory of the POS executable, at most 200 characters
    char settings_path[300];   // app_dir + "ZposSign.ini"
    char host_addr[30];        // at most 15 characters of the POS's host address
    int host_port = 0;
    char saved_request[req::kSize];  // last request record given to Zelta_Send
    char tran_time[7];         // "%H%M%S" of the last card-path transaction
    int sign_flag = 0;         // 1 after a captured signature
    bool strict_log = false;   // [LOG] MASK=STRICT, read at the start of each call
    platform::Socket link_socket = platform::kNoSocket;
};

extern ModuleState g_module;

// Sets the version code, the application directory and the settings path, as
// every entry point does first.
void refresh_module_paths();

}  // namespace zpos
