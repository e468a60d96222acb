// The four exported functions of the library, with the C names and calling
// convention the POS links against. Nothing here but the hand-over, what
// lasts one call (ExportedCall), and the one place a result becomes an int.
#include "zposapp.h"

#include "entry/call.h"
#include "entry/zelta_ack.h"
#include "entry/zelta_send.h"

extern "C" {

ZPOSAPP_API int ZPOSAPP_CALL Zelta_Send(const char* host, int port, const char* request, char* response) {
    zpos::ExportedCall call;
    return static_cast<int>(zpos::zelta_send(host, port, request, response));
}

ZPOSAPP_API int ZPOSAPP_CALL Zelta_OKCashbag(const char* host, int port, const char* request,
                                             char* response) {
    zpos::ExportedCall call;
    return static_cast<int>(zpos::zelta_okcashbag(host, port, request, response));
}

ZPOSAPP_API int ZPOSAPP_CALL Zelta_Ack(void) {
    zpos::ExportedCall call;
    return static_cast<int>(zpos::zelta_ack());
}

ZPOSAPP_API int ZPOSAPP_CALL Zelta_download(const char* server, int port, const char* request,
                                            char* answer) {
    zpos::ExportedCall call;
    return static_cast<int>(zpos::zelta_download(server, port, request, answer));
}

}  // extern "C"
