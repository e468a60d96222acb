// The four exported functions of the library, with the C names and calling
// convention the POS links against. Nothing here but the hand-over.
#include "zposapp.h"
#include "zposapp_records.h"

#include "entry/call.h"
#include "entry/transaction_paths.h"
#include "entry/zelta_send.h"
#include "support/settings.h"

extern "C" {

ZPOSAPP_API int ZPOSAPP_CALL Zelta_Send(const char* host, int port, const char* request, char* response) {
    return static_cast<int>(zpos::zelta_send(host, port, request, response));
}

ZPOSAPP_API int ZPOSAPP_CALL Zelta_OKCashbag(const char* host, int port, const char* request,
                                             char* response) {
    return static_cast<int>(zpos::zelta_okcashbag(host, port, request, response));
}

ZPOSAPP_API int ZPOSAPP_CALL Zelta_Ack(void) {
    // Called first in a fresh process, it still needs the settings path.
    if (zpos::g_call.settings_path[0] == '\0') zpos::prepare_call();
    zpos::log_mask_refresh(zpos::g_call);
    return static_cast<int>(zpos::transaction_paths().ack());
}

ZPOSAPP_API int ZPOSAPP_CALL Zelta_download(const char* server, int port, const char* request,
                                            char* answer) {
    if (!server || !request || !answer) return ZPOSAPP_DOWNLOAD_NO_ANSWER;
    if (zpos::g_call.app_dir[0] == '\0') zpos::prepare_call();
    zpos::log_mask_refresh(zpos::g_call);
    return static_cast<int>(zpos::transaction_paths().download(server, port, request, answer));
}

}  // extern "C"
