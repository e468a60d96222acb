// Cheque, card and points paths. Everything is built in fixed stack buffers.
#include "entry/send_paths.h"

#include <array>
#include <cstring>
#include <ctime>
#include <optional>

#include "backup/backup_request.h"
#include "backup/backup_route.h"
#include "backup/handover.h"
#include "entry/call.h"
#include "link/exchange.h"
#include "platform/platform.h"
#include "reply/parser.h"
#include "request/framing.h"
#include "request/request_message.h"
#include "security/security_store.h"
#include "support/fields.h"
#include "support/log.h"
#include "support/log_lines.h"
#include "support/message_kinds.h"
#include "support/records.h"
#include "support/route.h"

namespace zpos {

namespace {

using Message = std::array<char, kRequestMessageSize>;

// Builds and frames the primary request; 0 when the builder refused it. A
// wanted signature the build did not take gets its pause here, after the
// build; what the build's capture did goes into `signed_flag`.
int frame_request(const char* request, Message& message, int kind, bool& signed_flag) {
    message.fill(0);
    RequestBuilt built = build_request_message(g_module.call, request, message, kind);
    if (built.not_signed) pause_not_signed();
    signed_flag = signed_after(signed_flag, built.signature);
    if (built.result != RequestBuild::built) return 0;
    return frame_message(message.data(), built.length);
}

int security_block_of(const char* request, Field track, char (&block)[kSecurityBlockMax]) {
    char card_number[kCardNumberSize];
    char rest[kTrackRestSize];
    split_track(request + track.offset, track.width, card_number, rest);
    return BuildSecurityBlock(block, card_number, rest);
}

void stamp_transaction_time() {
    std::memset(g_module.call.tran_time, 0, sizeof g_module.call.tran_time);
    std::tm tm{};
    platform::local_time(platform::now(), tm);
    std::strftime(g_module.call.tran_time, sizeof g_module.call.tran_time, "%H%M%S", &tm);
}

// The end of an exchange that brought no reply: a host that went quiet after
// the last NAK is answered "Time".
SendResult unanswered(const HostReply& reply, char* response) {
    if (reply.timed_out) put_exact(response, resp::resp_code, kRespTimeout);
    return send_result(reply.result);
}

// The cheque and points paths: the reply fills the response, whatever it says.
SendResult exchange_and_fill(const char* request, char* response, int kind, Field track) {
    Message message;
    bool signed_flag = false;  // not reported on these paths
    int framed = frame_request(request, message, kind, signed_flag);
    if (framed == 0) return SendResult::not_built;
    char block[kSecurityBlockMax];
    int block_len = track.width ? security_block_of(request, track, block) : 0;
    HostReply reply = host_exchange(g_module, message.data(), block_len ? block : nullptr, block_len, framed);
    if (reply.result != ExchangeResult::replied) return unanswered(reply, response);
    parse_reply(response, reply.body.data(), static_cast<int>(reply.body.size()), kind);
    return SendResult::replied;
}

}  // namespace

void split_track(const char* track, std::size_t length, char (&card_number)[kCardNumberSize],
                 char (&rest)[kTrackRestSize]) {
    std::memset(card_number, 0, sizeof card_number);
    std::memset(rest, 0, sizeof rest);
    std::size_t number_len = 0, rest_len = 0;
    bool after_separator = false;
    for (std::size_t i = 0; i < length; ++i) {
        char c = track[i];
        if (c == '=') {
            after_separator = true;
            continue;
        }
        if (!after_separator) {
            if (number_len < sizeof card_number - 1) card_number[number_len++] = c;
        } else if (rest_len < sizeof rest - 1) {
            rest[rest_len++] = c;
        }
    }
}

SendResult SendChequeTran(char* request, char* response) {
    return exchange_and_fill(request, response, kind::kCheque, Field{0, 0});
}

SendResult SendPointTran(char* request, char* response, int kind) {
    return exchange_and_fill(request, response, kind, req::pt_track2);
}

namespace {

// The backup route first, for a card approval or cancellation while it is in
// force. Nothing when the backup server does not know the approval: the
// primary host is asked then.
std::optional<SendResult> send_on_backup_route(char* request, char* response, int kind, bool& signed_flag) {
    Message backup;
    backup.fill(0);
    BackupRequestBuilt built = build_backup_request(g_module, request, backup, kind);
    signed_flag = signed_after(signed_flag, built.signature);
    // A request the pad refused is not sent either.
    if (built.result != BackupRequestBuild::built) return SendResult::backup_not_built;
    int framed = frame_message(backup.data(), built.length);
    BackupRouteResult r = send_backup_route(g_module, response, backup.data(), framed, kind);
    if (r == BackupRouteResult::unknown) return std::nullopt;
    if (r != BackupRouteResult::answered) reset_to_primary(g_module);
    return send_result(r);
}

// The host's reply into the response. A cancellation the primary host
// declined goes to the backup route first, which then fills the response
// itself; a hand-over that sent nothing leaves the host's reply to fill it.
void fill_card_reply(const HostReply& reply, char* response, int kind, bool& signed_flag) {
    ParsedReply fields;
    split_host_reply(fields, reply.body.data(), static_cast<int>(reply.body.size()));
    const KindRow& k = kind_of(kind);
    if (k.backup_route && k.cancel && !reply_approved(fields) && g_module.route == RouteMode::primary) {
        WriteLogText(log_lines::kToBackup);
        Handover handover = backup_handover(g_module, response);
        signed_flag = signed_after(signed_flag, handover.signature);
        if (handover.result != BackupRouteResult::not_sent) return;
    }
    fill_response(response, fields, kind);
}

// A card approval or cancellation the host did not answer: a host that cannot
// be reached switches the route to the backup; any other failure counts
// towards the switch.
void count_failure(ExchangeResult r) {
    if (r == ExchangeResult::no_connection)
        switch_to_backup(g_module.call);
    else
        failure_count_step(g_module);
}

}  // namespace

SendResult SendCardTran(char* request, char* response, int kind) {
    stamp_transaction_time();
    bool signed_flag = false;  // the response's sign_flag: a capture of this transaction sets it
    if (kind_of(kind).backup_route && g_module.route == RouteMode::backup) {
        if (std::optional<SendResult> r = send_on_backup_route(request, response, kind, signed_flag)) return *r;
    }

    Message message;
    int framed = frame_request(request, message, kind, signed_flag);
    if (framed == 0) return SendResult::not_built;
    char block[kSecurityBlockMax];
    int block_len = security_block_of(request, req::track2, block);
    HostReply reply = host_exchange(g_module, message.data(), block, block_len, framed);
    SendResult result = send_result(reply.result);
    if (reply.result == ExchangeResult::replied) {
        fill_card_reply(reply, response, kind, signed_flag);
    } else {
        result = unanswered(reply, response);
        if (kind_of(kind).counts_failures) count_failure(reply.result);
    }
    if (signed_flag)
        std::memcpy(response + resp::sign_flag.offset, "YES", 3);
    else
        std::memcpy(response + resp::sign_flag.offset, "NONE", 4);
    return result;
}

}  // namespace zpos
