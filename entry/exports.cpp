// The four exported functions of the library, with the C names and calling
// convention the POS links against. Nothing here but the hand-over, the call
// lock, what lasts one call (ExportedCall), and the one place a result
// becomes an int.
#include "zposapp.h"

#include "entry/call.h"
#include "entry/zelta_ack.h"
#include "entry/zelta_send.h"
#include "platform/platform.h"

namespace {

// A call made while the same thread is inside another (a message loop that
// runs while a notice waits) is refused with this and does nothing else: the
// POS's buffers, the log and the module's state all belong to the call that
// is running, which goes on as if the second had never been made.
constexpr int kRefusedWhileInACall = -1;

// Runs one export under the call lock, so that the calls of every thread of
// the process take turns.
template <typename Run>
int exported(Run run) {
    if (!zpos::platform::call_lock_enter()) return kRefusedWhileInACall;
    int result;
    {
        zpos::ExportedCall call;
        result = run();
    }
    zpos::platform::call_lock_leave();
    return result;
}

}  // namespace

extern "C" {

ZPOSAPP_API int ZPOSAPP_CALL Zelta_Send(const char* host, int port, const char* request, char* response) {
    return exported([&] { return static_cast<int>(zpos::zelta_send(host, port, request, response)); });
}

ZPOSAPP_API int ZPOSAPP_CALL Zelta_OKCashbag(const char* host, int port, const char* request,
                                             char* response) {
    return exported([&] { return static_cast<int>(zpos::zelta_okcashbag(host, port, request, response)); });
}

ZPOSAPP_API int ZPOSAPP_CALL Zelta_Ack(void) {
    return exported([] { return static_cast<int>(zpos::zelta_ack()); });
}

ZPOSAPP_API int ZPOSAPP_CALL Zelta_download(const char* server, int port, const char* request,
                                            char* answer) {
    return exported([&] { return zpos::download_value(zpos::zelta_download(server, port, request, answer)); });
}

}  // extern "C"
