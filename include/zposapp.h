/* ZPosApp: payment client library for point-of-sale terminals.
 *
 * A POS application links this library (ZPosApp.dll on Windows, libZPosApp.so
 * on Linux) and calls the four functions below from one thread, one call at a
 * time. Records are fixed-width ASCII; Korean texts are CP949. */
#ifndef ZPOSAPP_H
#define ZPOSAPP_H

#include "zposapp_version.h"

#ifdef _WIN32
#define ZPOSAPP_CALL __stdcall
#else
#define ZPOSAPP_CALL
#endif

#if defined(_WIN32) && defined(ZPOSAPP_BUILDING)
#define ZPOSAPP_API __declspec(dllexport)
#elif defined(ZPOSAPP_BUILDING)
#define ZPOSAPP_API __attribute__((visibility("default")))
#else
#define ZPOSAPP_API
#endif

#define ZPOSAPP_REQUEST_SIZE 240
#define ZPOSAPP_RESPONSE_SIZE 450
#define ZPOSAPP_DOWNLOAD_ANSWER_SIZE 1025

#ifdef __cplusplus
extern "C" {
#endif

/* Card, cash, cheque and points transactions. `host` is the host address
 * (first 15 characters used), `request` points to the 240-byte request record,
 * `response` to a 450-byte buffer that receives the response record.
 * Returns 1 when the host replied (see resp_code), -1 for a refusal by the
 * library ("NOTX"), other negative values for link and route failures. */
ZPOSAPP_API int ZPOSAPP_CALL Zelta_Send(const char* host, int port, const char* request,
                                        char* response);

/* Points (OK Cashbag) transactions only, always to the primary host. */
ZPOSAPP_API int ZPOSAPP_CALL Zelta_OKCashbag(const char* host, int port, const char* request,
                                             char* response);

/* Confirms the last approved transaction: 1 when the host closed it,
 * -5 when the acknowledgement could not be sent, -12/-13 after the
 * management message that reports a missing close. */
ZPOSAPP_API int ZPOSAPP_CALL Zelta_Ack(void);

/* Sends `request` (first 24 characters) to `server`:`port` and copies the
 * answer text into `answer` (at least 1025 bytes). Returns the number of bytes
 * received, or -1 (no answer), -4 (not sent), -5 (no connection). */
ZPOSAPP_API int ZPOSAPP_CALL Zelta_download(const char* server, int port, const char* request,
                                            char* answer);

#ifdef __cplusplus
}
#endif

#endif /* ZPOSAPP_H */
