// Building the backup request, field by field front to back, into the caller's
// 3000-byte buffer. The signature capture is the one the host request uses.
#include "backup/backup_request.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "backup/backup_library.h"
#include "backup/backup_route.h"
#include "backup/base64.h"
#include "platform/platform.h"
#include "request/capture.h"
#include "support/fields.h"
#include "support/log.h"
#include "support/log_lines.h"
#include "support/message_kinds.h"
#include "support/records.h"
#include "support/route.h"
#include "support/settings.h"

namespace zpos {

namespace {

constexpr int kBackupAmountLimit = 100000000;
constexpr char kBackupTerminalPrefix[] = "120";
constexpr char kNoEncryptYear[] = "99";
constexpr char kSignatureTag[] = "ZL01YYRD";
// The request code sits after STX, "ZLTA" and FS.
constexpr std::size_t kRequestCodeOffset = 6;
// Fields 15 to 25 are empty: "N" is followed by twelve FS bytes.
constexpr int kTrailingSeparators = 12;

// The backup route takes card approvals and cancellations only.
bool cancellation(int kind) { return kind_of(kind).cancel; }

const char* request_code(int kind, bool sign_wanted) {
    if (!cancellation(kind)) return sign_wanted ? "1104" : "1100";
    return sign_wanted ? "1114" : "1102";
}

void put_today(Writer& w) {
    std::tm tm{};
    platform::local_time(platform::now(), tm);
    char date[8] = {};
    if (std::strftime(date, sizeof date, "%y%m%d", &tm) == 0) date[0] = '\0';
    w.put_fixed(date, 6);
}

// A '=' within the track whose two following characters are "99": a card the
// encipherment module does not serve.
bool expiry_year_99(const char* track) {
    const char* eq = static_cast<const char*>(std::memchr(track, '=', req::track2.width));
    return eq && std::strncmp(eq + 1, kNoEncryptYear, 2) == 0;
}

// Steps 4 to 6: the track 2 enciphered by cryptCard into `out` (40 bytes).
BackupRequestBuild encrypt_track(Module& module, const char* request, char (&out)[kCryptBufferSize]) {
    const CallState& call = module.call;
    ExternalLibrary lib;
    auto crypt_card = lib.open<CryptCardFunction>(call, kCryptCard);
    if (!crypt_card) {
        reset_to_primary(module);
        return BackupRequestBuild::failed;
    }
    char in[kCryptBufferSize] = {};
    std::snprintf(in, sizeof in, "%.37s", request + req::track2.offset);
    std::memset(out, 0, sizeof out);
    if (expiry_year_99(in)) {
        WriteLogText(log_lines::kBackupNoEncrypt);
        lib.release();
        reset_to_primary(module);
        return BackupRequestBuild::no_encrypt;
    }
    int r = crypt_card(kCryptCardMode, in, out);
    lib.release();
    if (r != 0) {
        WriteLogText(log_lines::kBackupEncryptFail);
        reset_to_primary(module);
        return BackupRequestBuild::failed;
    }
    return BackupRequestBuild::built;
}

// Fields 3 to 6: a terminal enrolled for the backup route ("120..."), the
// entry mode and the enciphered track.
BackupRequestBuild put_card(Module& module, Writer& w, const char* request) {
    char tid[12] = {};
    std::snprintf(tid, sizeof tid, "%-10.10s", request + req::term_id.offset);
    if (std::strncmp(tid, kBackupTerminalPrefix, 3) != 0) {
        write_log_format(log_lines::kBackupTerminalBuffer, log_lines::kBackupTerminal, tid);
        reset_to_primary(module);
        return BackupRequestBuild::terminal;
    }
    w.put_fixed(tid, 10);
    w.put(wire::kFS);
    w.put(request[req::entry_mode.offset] == req::kKeyedEntry ? "10" : "20");
    w.put(wire::kFS);

    char track[kCryptBufferSize];
    BackupRequestBuild crypt = encrypt_track(module, request, track);
    if (crypt != BackupRequestBuild::built) return crypt;
    // The output need not end in a NUL: the precision bounds the read.
    w.put_format(40, "%-40.40s", track);
    w.put(wire::kFS);
    w.put(wire::kFS);
    return BackupRequestBuild::built;
}

// Fields 8 to 12: the three amounts, then today's date for an approval or
// the cancelled approval's date and number.
void put_amounts_and_dates(Writer& w, const char* request, int amount, int kind) {
    w.put_format(8, "%08d", amount);
    w.put(wire::kFS);
    w.put_format(8, "%08d", field_value(request, req::amt_extra1));
    w.put(wire::kFS);
    w.put_format(8, "%08d", field_value(request, req::amt_extra2));
    w.put(wire::kFS);
    if (!cancellation(kind)) {
        put_today(w);
        w.put(wire::kFS);
        return;
    }
    w.put_fixed(field_text(request, req::org_auth_date), 6);
    w.put(wire::kFS);
    char auth[16] = {};
    std::snprintf(auth, sizeof auth, "%.8s    ", request + req::org_auth_no.offset);
    w.put_fixed(auth, 12);
    w.put(wire::kFS);
}

// Fields 13 and 14: the signature as Base64 text, when this build captured
// one. False when the pad refused it.
bool put_signature(const CallState& call, Writer& w, const char* request, int kind, bool sign_wanted,
                   BackupRequestBuilt& built) {
    int sign_len = 0;
    SignatureBuffer sign;  // 2 KiB for the one build
    if (sign_wanted) {
        int r = capture_signature(call, request, sign, cancellation(kind));
        built.signature = signature_of(r);
        if (r == kSignRefused) return false;
        if (r > 0) sign_len = r;
    }
    if (built.signature != Signature::captured) return true;
    std::array<char, kBase64TextSize> text;
    int n = base64_encode(std::span<const char>(sign.data(), static_cast<std::size_t>(sign_len)), text);
    w.put(kSignatureTag);
    w.put(wire::kFS);
    w.put(std::string_view(text.data(), static_cast<std::size_t>(n)));
    w.put(wire::kFS);
    return true;
}

}  // namespace

BackupRequestBuilt build_backup_request(Module& module, const char* request,
                                        std::span<char, kRequestMessageSize> out, int kind) {
    BackupRequestBuilt built{BackupRequestBuild::failed};
    // The caller puts the check byte after ETX, so the message stops one short.
    Writer w(std::span<char>(out.data(), out.size() - 1));
    w.put(wire::kSTX);
    w.put("ZLTA");
    w.put(wire::kFS);
    CallState& call = module.call;
    call.backup_port = 0;

    int amount = field_value(request, req::tran_amt);
    bool sign_wanted = setting_begins(call, settings::kSignSetting, "YES") && amount > kSignThreshold;
    w.put(request_code(kind, sign_wanted));
    w.put(wire::kFS);
    built.result = put_card(module, w, request);
    if (built.result != BackupRequestBuild::built) return built;

    w.put_fixed(field_text(request, req::install_months), 2);
    w.put(wire::kFS);
    if (amount >= kBackupAmountLimit) {
        write_log_format(log_lines::kBackupAmountBuffer, log_lines::kBackupAmount, amount);
        built.result = BackupRequestBuild::failed;
        return built;
    }
    put_amounts_and_dates(w, request, amount, kind);
    built.result = BackupRequestBuild::pad_refused;
    if (!put_signature(call, w, request, kind, sign_wanted, built)) return built;

    w.put('N');
    for (int i = 0; i < kTrailingSeparators; ++i) w.put(wire::kFS);
    w.put(wire::kETX);
    built.result = BackupRequestBuild::failed;
    if (w.overflowed()) return built;

    if (!cancellation(kind) && built.signature != Signature::captured)
        std::memcpy(out.data() + kRequestCodeOffset, "1100", 4);
    built.result = BackupRequestBuild::built;
    built.length = static_cast<int>(w.size());
    return built;
}

}  // namespace zpos
