// The backup route: one DataProcess_NVR call, the split of its answer into
// seventeen fields, and the approval or refusal fill of the response record.
#include "backup/backup_route.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "backup/backup_library.h"
#include "reply/company_codes.h"
#include "support/fields.h"
#include "support/log.h"
#include "support/log_lines.h"
#include "support/records.h"
#include "support/route.h"
#include "support/wire.h"

namespace zpos {

namespace {

constexpr int kReplyFields = 17;
// Characters kept of each reply field.
constexpr std::array<std::size_t, kReplyFields> kFieldLimit = {15, 4,  4,  12, 15, 12, 13, 12, 12,
                                                               1,  1,  16, 16, 24, 24, 24, 24};
constexpr std::size_t kFieldRoom = 25;  // the longest limit and its NUL

enum ReplyField {
    kCode = 1,
    kIssuer = 2,
    kIssuerName = 3,
    kMerchant = 4,
    kAcquirerName = 5,
    kDateTime = 6,
    kAuthNo = 8,
    kCardClass = 10,
    kMessage1 = 11,
    kMessage2 = 12,  // approval: acquiring company code
    kInfo1 = 13,
    kInfo2 = 14,
    kInfo3 = 15,
};

struct BackupReply {
    std::array<std::array<char, kFieldRoom>, kReplyFields> fields{};
    std::string_view operator[](int i) const { return fields[static_cast<std::size_t>(i)].data(); }
};

// Reads from index 1 to the end of the buffer or the first ETX; FS ends a
// field. Characters past a field's limit and fields after the last are dropped.
void split_reply(const char* reply, BackupReply& out) {
    std::size_t field = 0, len = 0;
    for (int i = 1; i < kBackupReplySize; ++i) {
        char c = reply[i];
        if (c == wire::kETX) break;
        if (c == wire::kFS) {
            ++field;
            len = 0;
            continue;
        }
        if (field >= kReplyFields || len >= kFieldLimit[field]) continue;
        out.fields[field][len++] = c;
    }
}

void put_company(char* response, Field f, std::string_view host_code) {
    char host[kFieldRoom] = {};
    std::memcpy(host, host_code.data(), host_code.size() < sizeof host - 1 ? host_code.size() : sizeof host - 1);
    char pos_code[3] = {};
    map_company_code(host, pos_code);
    put_text(response, f, text_of(pos_code, 2));
}

// The writes the approval and the refusal have in common, in record order.
void fill(char* response, const BackupReply& r, bool approved) {
    put_exact(response, resp::resp_code, approved ? kRespApproved : kRespDeclined);
    put_company(response, resp::issuer_code, r[kIssuer]);
    put_text(response, resp::issuer_name, r[kIssuerName]);
    if (approved)
        put_company(response, resp::acquirer_code, r[kMessage2]);
    else
        put_text(response, resp::acquirer_code, "");
    put_text(response, resp::acquirer_name, r[kAcquirerName]);
    put_text(response, resp::merchant_no, r[kMerchant]);
    put_text(response, resp::tran_datetime, r[kDateTime]);
    if (approved) put_text(response, resp::auth_no, r[kAuthNo]);
    if (r[kCardClass] == "D") put_text(response, resp::card_class, "1");
    char message[40] = {};
    if (approved)
        std::snprintf(message, sizeof message, "%.16s", r[kMessage1].data());
    else
        std::snprintf(message, sizeof message, "%.16s, %.16s", r[kMessage1].data(), r[kMessage2].data());
    put_text(response, resp::message, message);
    put_text(response, resp::info_line1, r[kInfo1]);
    put_text(response, resp::info_line2, r[kInfo2]);
    put_text(response, resp::info_line3, r[kInfo3]);
}

}  // namespace

BackupRouteResult send_backup_route(Module& module, char* response, const char* framed, [[maybe_unused]] int length,
                                    [[maybe_unused]] int kind) {
    const CallState& call = module.call;
    char reply[kBackupReplySize] = {};
    {
        ExternalLibrary lib;
        auto data_process = lib.open<DataProcessFunction>(call, kDataProcess);
        if (!data_process) {
            reset_to_primary(module);
            return BackupRouteResult::unusable;
        }
        int port = call.backup_port != 0 ? call.backup_port : ZPOS_BACKUP_PORT;
        char ok = data_process(ZPOS_BACKUP_HOST, port, framed, reply);
        lib.release();
        if (ok == 0) {
            WriteLogText(log_lines::kBackupCallFailed);
            reset_to_primary(module);
            return BackupRouteResult::unusable;
        }
    }
    WriteLogText(log_lines::kBackupAnswered);
    BackupReply r;
    split_reply(reply, r);

    std::string_view code = r[kCode];
    if (code == "0000") {
        fill(response, r, true);
        return BackupRouteResult::answered;
    }
    if (code == "3600" || code == "2000") {
        WriteLogText(log_lines::kBackupUnknown);
        if (module.route == RouteMode::primary) fill(response, r, false);
        if (code == "2000") reset_to_primary(module);
        return BackupRouteResult::unknown;
    }
    fill(response, r, false);
    return BackupRouteResult::answered;
}

}  // namespace zpos
