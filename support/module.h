// The state of the module: what the calls work with and what must last from
// one call to the next. entry/ owns its one instance and passes it down, or
// the part a function needs; nothing below entry/ keeps state of its own but
// the platform's scratch buffers and the call lock.
//
// The call lock is not a member: it guards this state, and it must be one for
// the process however often the module is loaded, so its primitive stays in
// platform/ (call_lock_enter, call_lock_leave), taken by the exports around
// every use of the module. The card security store's one-time serial marker
// is kept in the store itself (GET_SERIAL), not here.
#pragma once

#include "platform/platform.h"
#include "platform/socket.h"
#include "support/call_state.h"

namespace zpos {

// The route mode, as VANID writes it.
enum class RouteMode : int {
    primary = 1,  // the payment host
    backup = 2,   // card approvals and cancellations go through the backup library
};

// The host link: its socket, which may stay open from the end of Zelta_Send
// until Zelta_Ack, and the buffers of an exchange (one call at a time uses them).
struct LinkState {
    static constexpr int kEnqReadSize = 3000;
    static constexpr int kReplyBodySize = 3000;
    static constexpr int kRequestFrameSize = 3500;

    platform::Socket socket = platform::kNoSocket;
    unsigned char enq[kEnqReadSize] = {};
    unsigned char frame[kRequestFrameSize] = {};
    unsigned char reply[kReplyBodySize + 1] = {};
};

// Where the log lines go: the application directory of the call, and the log
// file descriptor an exported call's lines share.
struct LogTarget {
    const char* app_dir = "";
    bool held = false;
    platform::AppendFile file = platform::kNoFile;
    char path[300] = {};
};

// Not copied: a copy would share the link socket and point its log target
// into the other module's call.
struct Module {
    Module() = default;
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    CallState call;                        // the call's settings, host, saved request, time stamp
    RouteMode route = RouteMode::primary;  // the running call's route (the last call's, between calls)
    LinkState link;
    LogTarget log;
};

}  // namespace zpos
