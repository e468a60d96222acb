// Cheque, card and points paths. Everything is built in fixed stack buffers.
#include "entry/send_paths.h"

#include <array>
#include <cstring>
#include <ctime>
#include <optional>

#include "backup/backup_request.h"
#include "backup/backup_route.h"
#include "entry/call.h"
#include "link/exchange.h"
#include "platform/platform.h"
#include "request/framing.h"
#include "request/request_message.h"
#include "security/security_store.h"
#include "support/message_kinds.h"
#include "support/records.h"
#include "support/route.h"

namespace zpos {

namespace {

using Message = std::array<char, kRequestMessageSize>;

// Builds and frames the primary request; 0 when the builder refused it.
int frame_request(const char* request, Message& message, int kind) {
    message.fill(0);
    int n = 0;
    if (build_request_message(g_call, request, message, kind, n) != RequestBuild::built) return 0;
    return frame_message(message.data(), n);
}

int security_block_of(const char* request, Field track, char (&block)[kSecurityBlockMax]) {
    char card_number[kCardNumberSize];
    char rest[kTrackRestSize];
    split_track(request + track.offset, track.width, card_number, rest);
    return BuildSecurityBlock(block, card_number, rest);
}

void stamp_transaction_time() {
    std::memset(g_call.tran_time, 0, sizeof g_call.tran_time);
    g_call.sign_flag = 0;
    std::tm tm{};
    platform::local_time(platform::now(), tm);
    std::strftime(g_call.tran_time, sizeof g_call.tran_time, "%H%M%S", &tm);
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
    Message message;
    int framed = frame_request(request, message, kind::kCheque);
    if (framed == 0) return SendResult::not_built;
    return send_result(host_exchange(g_call, response, message.data(), nullptr, 0, framed, kind::kCheque));
}

SendResult SendPointTran(char* request, char* response, int kind) {
    Message message;
    int framed = frame_request(request, message, kind);
    if (framed == 0) return SendResult::not_built;
    char block[kSecurityBlockMax];
    int block_len = security_block_of(request, req::pt_track2, block);
    return send_result(host_exchange(g_call, response, message.data(), block, block_len, framed, kind));
}

namespace {

// The backup route first, for a card approval or cancellation while it is in
// force. Nothing when the backup server does not know the approval: the
// primary host is asked then.
std::optional<SendResult> send_on_backup_route(char* request, char* response, int kind) {
    Message backup;
    backup.fill(0);
    int n = 0;
    // A request the pad refused is not sent either.
    if (build_backup_request(g_call, request, backup, kind, n) != BackupRequestBuild::built)
        return SendResult::backup_not_built;
    int framed = frame_message(backup.data(), n);
    BackupRouteResult r = send_backup_route(g_call, response, backup.data(), framed, kind);
    if (r == BackupRouteResult::unknown) return std::nullopt;
    if (r != BackupRouteResult::answered) reset_to_primary(g_call);
    return send_result(r);
}

}  // namespace

SendResult SendCardTran(char* request, char* response, int kind) {
    stamp_transaction_time();
    if (kind_of(kind).backup_route && route_mode() == RouteMode::backup) {
        if (std::optional<SendResult> r = send_on_backup_route(request, response, kind)) return *r;
    }

    Message message;
    int framed = frame_request(request, message, kind);
    if (framed == 0) return SendResult::not_built;
    char block[kSecurityBlockMax];
    int block_len = security_block_of(request, req::track2, block);
    ExchangeResult r = host_exchange(g_call, response, message.data(), block, block_len, framed, kind);
    if (kind_of(kind).counts_failures) {
        if (r == ExchangeResult::no_connection) switch_to_backup(g_call);
        if (r == ExchangeResult::no_enq) failure_count_step(g_call);
    }
    if (g_call.sign_flag)
        std::memcpy(response + resp::sign_flag.offset, "YES", 3);
    else
        std::memcpy(response + resp::sign_flag.offset, "NONE", 4);
    return send_result(r);
}

}  // namespace zpos
