// The results of the library's operations: one enum class per operation, each
// value's meaning beside it, every one [[nodiscard]]. Those that reach the POS take their values from the
// public constants of zposapp_records.h, so the header a POS compiles against
// and the library cannot disagree; the exports turn them into int at the C
// boundary and nowhere else.
#pragma once

#include "zposapp_records.h"

namespace zpos {

// Zelta_Send and Zelta_OKCashbag, and the transaction paths behind them.
enum class [[nodiscard]] SendResult : int {
    replied = ZPOSAPP_SEND_REPLIED,                    // the host (or the backup route) filled the response
    failed = ZPOSAPP_SEND_FAILED,                      // refused (NOTX), no reply in time (Time) or a broken reply
    short_frame = ZPOSAPP_SEND_SHORT_FRAME,            // only short frames up to the third NAK
    not_readable = ZPOSAPP_SEND_NOT_READABLE,          // the link failed while the reply was awaited
    no_enq = ZPOSAPP_SEND_NO_ENQ,                      // no ENQ, or the request or a NAK not sent
    no_connection = ZPOSAPP_SEND_NO_CONNECTION,        // the host cannot be reached (COMM)
    backup_unusable = ZPOSAPP_SEND_BACKUP_UNUSABLE,    // the backup library cannot be used
    backup_not_built = ZPOSAPP_SEND_BACKUP_NOT_BUILT,  // the backup request could not be built
    not_built = ZPOSAPP_SEND_NOT_BUILT,                // the request builder refused; nothing sent
};

// The host exchange: a subset of SendResult, with the same values.
enum class [[nodiscard]] ExchangeResult : int {
    replied = ZPOSAPP_SEND_REPLIED,              // a reply came; the link stays open
    failed = ZPOSAPP_SEND_FAILED,                // time-out after the last NAK, or the reply's length or body broken
    short_frame = ZPOSAPP_SEND_SHORT_FRAME,      // a short frame other than ENQ after the last NAK
    not_readable = ZPOSAPP_SEND_NOT_READABLE,    // ready but not readable after the last NAK
    no_enq = ZPOSAPP_SEND_NO_ENQ,                // no ENQ, or the request or a NAK not fully sent
    no_connection = ZPOSAPP_SEND_NO_CONNECTION,  // no connection
};

// The connection step of an exchange.
enum class [[nodiscard]] ConnectResult : int {
    connected = 0,
    no_connection = ZPOSAPP_SEND_NO_CONNECTION,  // both attempts failed; the socket is closed
};

// The backup route, and the card path's hand-over of a declined
// cancellation to it.
enum class [[nodiscard]] BackupRouteResult : int {
    not_sent = 0,                                 // nothing went to the backup route: the host's reply stands
    answered = ZPOSAPP_SEND_REPLIED,              // the backup server answered; the response is filled
    unknown = -2,                                 // the backup server does not know the approval: ask the primary host
    unusable = ZPOSAPP_SEND_BACKUP_UNUSABLE,      // the library cannot be used; the route is back on primary
};

// The request builder.
enum class [[nodiscard]] RequestBuild : int {
    built = 1,    // the message is in the buffer, STX through ETX
    refused = 0,  // amount over the limit, pad refusal, or no room: nothing to send
};

// The backup request builder; the log shows a failure's value.
enum class [[nodiscard]] BackupRequestBuild : int {
    built = 1,        // the message is in the buffer, STX through ETX
    pad_refused = 0,  // the pad refused the signature
    failed = -1,      // backup library failure or the amount limit
    terminal = -2,    // this terminal may not use the backup route
    no_encrypt = -3,  // a card with expiry year "99"
};

// Zelta_Ack.
enum class [[nodiscard]] AckResult : int {
    closed = ZPOSAPP_ACK_CLOSED,                        // EOT received (or the backup route: nothing to close)
    not_sent = ZPOSAPP_ACK_NOT_SENT,                    // the ACK could not be sent
    management_failed = ZPOSAPP_ACK_MANAGEMENT_FAILED,  // no EOT, and the management message failed
    management_sent = ZPOSAPP_ACK_MANAGEMENT_SENT,      // no EOT; the management message reported the transaction
};

// The management acknowledgement after a missing EOT, as Zelta_Ack returns it.
enum class [[nodiscard]] ManagementResult : int {
    failed = ZPOSAPP_ACK_MANAGEMENT_FAILED,  // the exchange failed or the ACK was not sent
    sent = ZPOSAPP_ACK_MANAGEMENT_SENT,      // the host answered and got its ACK
};

// The automatic acknowledgement of a declined reply; the POS never sees it.
enum class [[nodiscard]] AutoAckResult : int {
    eot = 1,            // EOT received
    timed_out = -1,     // no frame in time
    short_read = -2,    // a frame of fewer than three bytes
    no_eot = -3,        // the link not readable, or five frames without EOT
    ack_not_sent = -5,  // the ACK could not be sent
};

// Zelta_download. A positive value is the number of bytes received.
enum class [[nodiscard]] DownloadResult : int {
    no_answer = ZPOSAPP_DOWNLOAD_NO_ANSWER,          // nothing within the wait, or the wait failed
    not_sent = ZPOSAPP_DOWNLOAD_NOT_SENT,            // the request was not sent
    no_connection = ZPOSAPP_DOWNLOAD_NO_CONNECTION,  // the server cannot be reached
};

inline constexpr DownloadResult download_received(long bytes) { return static_cast<DownloadResult>(bytes); }

// What a path returns for the results of the operations it runs; their values
// are the same public constants.
inline constexpr SendResult send_result(ExchangeResult r) { return static_cast<SendResult>(static_cast<int>(r)); }
inline constexpr SendResult send_result(BackupRouteResult r) {
    return static_cast<SendResult>(static_cast<int>(r));
}
inline constexpr AckResult ack_result(ManagementResult r) { return static_cast<AckResult>(static_cast<int>(r)); }

}  // namespace zpos
