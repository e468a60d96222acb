// The four exported functions of the library, with the C names and calling
// convention the POS links against. Nothing here but the hand-over, and the
// one place a result becomes an int.
#include "zposapp.h"

#include "entry/zelta_ack.h"
#include "entry/zelta_send.h"

extern "C" {

ZPOSAPP_API int ZPOSAPP_CALL Zelta_Send(const char* host, int port, const char* request, char* response) {
    return static_cast<int>(zpos::zelta_send(host, port, request, response));
}

ZPOSAPP_API int ZPOSAPP_CALL Zelta_OKCashbag(const char* host, int port, const char* request,
                                             char* response) {
    return static_cast<int>(zpos::zelta_okcashbag(host, port, request, response));
}

ZPOSAPP_API int ZPOSAPP_CALL Zelta_Ack(void) { return static_cast<int>(zpos::zelta_ack()); }

ZPOSAPP_API int ZPOSAPP_CALL Zelta_download(const char* server, int port, const char* request,
                                            char* answer) {
    return static_cast<int>(zpos::zelta_download(server, port, request, answer));
}

}  // extern "C"
