// Cheque, card and points paths. Everything is built in fixed stack buffers.
#include "entry/send_paths.h"

#include <array>
#include <cstring>
#include <ctime>

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

constexpr int kBackupBuildFailed = -9;
constexpr int kBuilderRefused = -10;
constexpr int kExchangeNoEnq = -5;
constexpr int kExchangeNoConnection = -6;
constexpr int kBackupUnknownApproval = -2;

using Message = std::array<char, kRequestMessageSize>;

// Builds and frames the primary request; 0 when the builder refused it.
int frame_request(const char* request, Message& message, int kind) {
    message.fill(0);
    int n = build_request_message(g_call, request, message, kind);
    return n > 0 ? frame_message(message.data(), n) : 0;
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

int SendChequeTran(char* request, char* response) {
    Message message;
    int framed = frame_request(request, message, kind::kCheque);
    if (framed == 0) return kBuilderRefused;
    return host_exchange(g_call, response, message.data(), nullptr, 0, framed, kind::kCheque);
}

int SendPointTran(char* request, char* response, int kind) {
    Message message;
    int framed = frame_request(request, message, kind);
    if (framed == 0) return kBuilderRefused;
    char block[kSecurityBlockMax];
    int block_len = security_block_of(request, req::pt_track2, block);
    return host_exchange(g_call, response, message.data(), block, block_len, framed, kind);
}

int SendCardTran(char* request, char* response, int kind) {
    stamp_transaction_time();

    if (kind::is_credit(kind) && route_mode() == RouteMode::backup) {
        Message backup;
        backup.fill(0);
        int n = build_backup_request(g_call, request, backup, kind);
        // A request the pad refused (0) is not sent either.
        if (n <= 0) return kBackupBuildFailed;
        int framed = frame_message(backup.data(), n);
        int r = send_backup_route(g_call, response, backup.data(), framed, kind);
        if (r >= 0) return r;
        if (r != kBackupUnknownApproval) {
            reset_to_primary(g_call);
            return r;
        }
        // The backup server does not know the approval: the primary host is asked.
    }

    Message message;
    int framed = frame_request(request, message, kind);
    if (framed == 0) return kBuilderRefused;
    char block[kSecurityBlockMax];
    int block_len = security_block_of(request, req::track2, block);
    int r = host_exchange(g_call, response, message.data(), block, block_len, framed, kind);
    if (kind::is_credit(kind)) {
        if (r == kExchangeNoConnection) switch_to_backup(g_call);
        if (r == kExchangeNoEnq) failure_count_step(g_call);
    }
    if (g_call.sign_flag)
        std::memcpy(response + resp::sign_flag.offset, "YES", 3);
    else
        std::memcpy(response + resp::sign_flag.offset, "NONE", 4);
    return r;
}

}  // namespace zpos
