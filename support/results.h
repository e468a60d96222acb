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

// Zelta_download.
enum class [[nodiscard]] DownloadResult : int {
    received = 1,                                    // the answer is in the buffer; the count is beside the result
    no_answer = ZPOSAPP_DOWNLOAD_NO_ANSWER,          // nothing within the wait, or the wait failed
    not_sent = ZPOSAPP_DOWNLOAD_NOT_SENT,            // the request was not sent
    no_connection = ZPOSAPP_DOWNLOAD_NO_CONNECTION,  // the server cannot be reached
};

// A download's result and the bytes it read (1 to 1024 when received, else 0).
struct [[nodiscard]] DownloadOutcome {
    DownloadResult result;
    int bytes;
};

// Zelta_download's int: the byte count of an answer, a failure's own value.
inline constexpr int download_value(DownloadOutcome d) {
    switch (d.result) {
        case DownloadResult::received: return d.bytes;
        case DownloadResult::no_answer:
        case DownloadResult::not_sent:
        case DownloadResult::no_connection: return static_cast<int>(d.result);
    }
    return ZPOSAPP_DOWNLOAD_NO_ANSWER;  // not reached: every value is a case above
}

// What a path returns for the results of the operations it runs. A switch
// each, so that a new result is a warning here until it is given its meaning.
inline constexpr SendResult send_result(ExchangeResult r) {
    switch (r) {
        case ExchangeResult::replied: return SendResult::replied;
        case ExchangeResult::failed: return SendResult::failed;
        case ExchangeResult::short_frame: return SendResult::short_frame;
        case ExchangeResult::not_readable: return SendResult::not_readable;
        case ExchangeResult::no_enq: return SendResult::no_enq;
        case ExchangeResult::no_connection: return SendResult::no_connection;
    }
    return SendResult::failed;  // not reached
}

// Only an answer or an unusable library ends a path on the backup route: a
// hand-over not sent leaves the host's reply standing, and an approval the
// backup server does not know goes to the primary host.
inline constexpr SendResult send_result(BackupRouteResult r) {
    switch (r) {
        case BackupRouteResult::answered: return SendResult::replied;
        case BackupRouteResult::unusable: return SendResult::backup_unusable;
        case BackupRouteResult::not_sent:
        case BackupRouteResult::unknown: break;
    }
    return SendResult::failed;  // not reached
}

inline constexpr AckResult ack_result(ManagementResult r) {
    switch (r) {
        case ManagementResult::failed: return AckResult::management_failed;
        case ManagementResult::sent: return AckResult::management_sent;
    }
    return AckResult::management_failed;  // not reached
}

}  // namespace zpos
