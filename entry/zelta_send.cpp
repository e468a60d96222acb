// Zelta_Send and Zelta_OKCashbag: start of call, the response head, the
// dispatch by message type and transaction kind, the echoes, the refusals and
// the end of call that hands the response back with its zero bytes blanked.
#include "entry/zelta_send.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "entry/call.h"
#include "entry/send_paths.h"
#include "link/acknowledge.h"
#include "platform/platform.h"
#include "platform/seams.h"
#include "support/card_mask.h"
#include "support/fields.h"
#include "support/korean_texts.h"
#include "support/log.h"
#include "support/log_lines.h"
#include "support/message_kinds.h"
#include "support/records.h"
#include "support/route.h"
#include "support/settings.h"

namespace zpos {

namespace {

constexpr SendResult kRefused = SendResult::failed;
constexpr int kTestPort = 10901;
constexpr char kTestTerminal[] = "1450019998";

// The paths the rows run: a test's stand-in from the seam table, the
// library's own otherwise.
SendResult run_cheque(char* request, char* response) {
    return platform::seam_or(platform::seams().cheque, SendChequeTran)(request, response);
}
SendResult run_card(char* request, char* response, int kind) {
    return platform::seam_or(platform::seams().card, SendCardTran)(request, response, kind);
}
SendResult run_points(char* request, char* response, int kind) {
    return platform::seam_or(platform::seams().points, SendPointTran)(request, response, kind);
}
AutoAckResult auto_ack_of_call() { return auto_acknowledge(g_call); }

void log_invalid_call(const char* entry) { WriteLogFormat(log_lines::kInvalidCallBuffer, log_lines::kInvalidCall, entry); }

// Start of call shared by both entry points: module paths, host address and
// the zeroed local copies.
void start_call(const char* host, char* request_copy, char* response_copy) {
    prepare_call();
    log_mask_refresh(g_call);
    std::memset(g_call.host_addr, 0, sizeof g_call.host_addr);
    std::snprintf(g_call.host_addr, sizeof g_call.host_addr, "%.15s", host ? host : "");
    std::memset(request_copy, 0, req::kSize);
    std::memset(response_copy, 0, resp::kSize);
}

// Response head. False when request byte 28 names no response type; the
// notice has then been shown.
bool write_response_head(const char* request, char* response) {
    std::memcpy(response + resp::rec_len.offset, "0450", 4);
    std::memcpy(response + resp::pos_echo.offset, request + req::pos_echo.offset, req::pos_echo.width);
    char selector = request[req::kMsgTypeSelector];
    if (selector == '2') {
        put_exact(response, resp::msg_type, "0210");
    } else if (selector == '4') {
        put_exact(response, resp::msg_type, "0430");
    } else {
        platform::show_notice(texts::kNoticeBadMessageType.cp949, texts::kNoticeBadMessageType.utf8);
        return false;
    }
    std::memcpy(response + resp::tran_kind.offset, request + req::tran_kind.offset, 4);  // kind and its echo
    std::memset(response + resp::head_blank.offset, ' ', resp::head_blank.width);
    std::memcpy(response + resp::term_id.offset, request + req::term_id.offset, req::term_id.width);
    return true;
}

void echo(char* response, Field to, const char* request, Field from) {
    put_text(response, to, field_text(request, from));
}

// Card echo; the amount is left to the caller for the balance check row.
void write_card_echo(const char* request, char* response, bool with_amount) {
    echo(response, resp::entry_mode, request, req::entry_mode);
    echo(response, resp::card_data, request, req::card_data);
    echo(response, resp::install_months, request, req::install_months);
    echo(response, resp::amt_extra1, request, req::amt_extra1);
    echo(response, resp::amt_extra2, request, req::amt_extra2);
    if (with_amount) echo(response, resp::tran_amt, request, req::tran_amt);
}

void write_points_echo(const char* request, char* response) {
    echo(response, resp::pt_media, request, req::pt_media);
    echo(response, resp::pt_sub, request, req::pt_sub);
    echo(response, resp::pt_card_data, request, req::pt_card_data);
    echo(response, resp::pt_amt, request, req::pt_amt);
}

// Message kind of a points operation, 0 for an operation the host does not know.
int points_kind(const char* request) {
    std::string_view sub(request + req::pt_sub.offset, req::pt_sub.width);
    if (sub == "01") return 60;
    if (sub == "11") return 61;
    if (sub == "02") return 62;
    if (sub == "12") return 63;
    if (sub == "03") return 64;
    return 0;
}

// Refusal: "NOTX", optionally a text at `message`, the local response copied
// unchanged (positions never written stay zero bytes).
SendResult refuse(char* response_copy, char* caller_response, const char* text = nullptr) {
    put_exact(response_copy, resp::resp_code, kRespRefused);
    if (text) put_text(response_copy, resp::message, text);
    std::memcpy(caller_response, response_copy, resp::kSize);
    return kRefused;
}

using RecordLogger = int (*)(const void*, std::int32_t);

void mask_text_field(char* record, Field f) { mask_card_numbers(record + f.offset, f.width); }

// Strict masking of a record about to be logged, by the layout its kind
// gives: the card echo, and in a response the host's texts.
void mask_record_strictly(char* record, bool response) {
    std::string_view kind_code(record + req::tran_kind.offset, req::tran_kind.width);
    if (kind_code == "20") {
        if (response) mask_text_field(record, resp::chk_message);
        return;
    }
    if (kind_code == "40") {
        Field card = response ? resp::pt_card_data : req::pt_card_data;
        mask_card_field(record + card.offset, card.width);
        if (!response) return;
        for (Field f : {resp::pt_message, resp::pt_line1, resp::pt_line2}) mask_text_field(record, f);
        return;
    }
    Field card = response ? resp::card_data : req::card_data;
    mask_card_field(record + card.offset, card.width);
    if (!response) return;
    for (Field f : {resp::message, resp::info_line1, resp::info_line2, resp::info_line3}) mask_text_field(record, f);
}

// A request or response record through the given writer; under strict
// masking a masked copy goes instead.
void log_record(RecordLogger writer, const char* record, std::size_t size) {
    if (!g_call.strict_log) {
        writer(record, static_cast<std::int32_t>(size));
        return;
    }
    char copy[resp::kSize];
    std::memcpy(copy, record, size);
    mask_record_strictly(copy, size == resp::kSize);
    writer(copy, static_cast<std::int32_t>(size));
}

// The response as the POS receives it: every zero byte a blank.
void hand_back(const char* response_copy, char* caller_response, RecordLogger log_writer) {
    char out[1000] = {};
    std::memcpy(out, response_copy, resp::kSize);
    for (std::size_t i = 0; i < resp::kSize; ++i)
        if (out[i] == '\0') out[i] = ' ';
    log_record(log_writer, out, resp::kSize);
    std::memcpy(caller_response, out, resp::kSize);
}

SendResult end_call(SendResult result, char* response_copy, char* caller_response, RecordLogger log_record) {
    if (!field_equals(response_copy, resp::resp_code, kRespApproved)) {
        if (result == SendResult::no_connection) put_exact(response_copy, resp::resp_code, kRespNoConnection);
        WriteLogFormat(log_lines::kRespCodeBuffer, log_lines::kRespCode, response_copy + resp::resp_code.offset);
        // An approval waits for Zelta_Ack; a decline is closed with the host here.
        if (route_mode() == RouteMode::primary && static_cast<int>(result) >= 0)
            static_cast<void>(platform::seam_or(platform::seams().auto_ack, auto_ack_of_call)());  // the POS never sees its result
    }
    hand_back(response_copy, caller_response, log_record);
    return result;
}

// Written as bytes, so the log shows its line breaks as [0a].
static_assert(log_lines::kCashAuthBuffer == log_lines::kCashCancelBuffer);
void log_cash(const char* format, int port) {
    char line[log_lines::kCashAuthBuffer];
    int n = std::snprintf(line, sizeof line, format, static_cast<long>(port));
    WriteLog(line, n < static_cast<int>(sizeof line) ? n : static_cast<int>(sizeof line) - 1);
}

}  // namespace

SendResult zelta_send(const char* host, int port, const char* request, char* response) {
    if (!request || !response) {
        log_invalid_call("Zelta_Send");
        return kRefused;
    }
    char req_copy[req::kSize];
    char resp_copy[resp::kSize];
    start_call(host, req_copy, resp_copy);
    route_mode_refresh(g_call);
    std::memset(g_call.saved_request, 0, sizeof g_call.saved_request);
    log_record(WriteLogMasked, request, req::kSize);
    std::memcpy(req_copy, request, req::kSize);
    std::memcpy(g_call.saved_request, request, req::kSize);

    if (!write_response_head(req_copy, resp_copy)) return kRefused;
    if (port == kTestPort && !field_equals(req_copy, req::term_id, kTestTerminal))
        platform::show_notice(texts::kNoticeTestPort.cp949, texts::kNoticeTestPort.utf8);

    std::string_view type(req_copy + req::msg_type.offset, req::msg_type.width);
    std::string_view kind_code(req_copy + req::tran_kind.offset, req::tran_kind.width);
    const bool approval = type == "0200";
    const bool cancel = type == "0420";

    // Each row: store the port, force the primary route where the kind never
    // uses the backup, write the echo, run the path.
    auto card = [&](int kind, bool force_primary) {
        g_call.host_port = port;
        if (force_primary) route_primary_for_call();
        write_card_echo(req_copy, resp_copy, true);
        return run_card(req_copy, resp_copy, kind);
    };

    SendResult result;
    if (kind_code == "20") {
        g_call.host_port = port;
        result = run_cheque(req_copy, resp_copy);
    } else if (kind_code == "10" && approval) {
        result = card(kind::kCardApproval, false);
        if (result == SendResult::not_built) return result;
    } else if (kind_code == "10" && cancel) {
        return refuse(resp_copy, response, texts::kTextNoRepeatCancel);
    } else if (kind_code == "30" && cancel) {
        result = card(kind::kCardCancel, false);
        if (result == SendResult::not_built) return result;
    } else if (kind_code == "21" && (approval || cancel)) {
        g_call.host_port = port;
        route_primary_for_call();
        write_card_echo(req_copy, resp_copy, true);
        log_cash(approval ? log_lines::kCashAuth : log_lines::kCashCancel, port);
        result = run_card(req_copy, resp_copy, approval ? kind::kCashApproval : kind::kCashCancel);
    } else if (kind_code == "70" && (approval || cancel)) {
        result = card(approval ? kind::k70Approval : kind::k70Cancel, true);
    } else if (kind_code == "90" && (approval || cancel)) {
        result = card(approval ? kind::k90Approval : kind::k90Cancel, true);
    } else if (kind_code == "KT" && approval) {
        g_call.host_port = port;
        write_card_echo(req_copy, resp_copy, false);
        if (field_value(req_copy, req::tran_amt) == 1) {
            // A balance inquiry is not allowed for this kind.
            put_exact(resp_copy, resp::resp_code, kRespRefused);
            put_text(resp_copy, resp::message, texts::kTextNoBalanceInquiry);
            hand_back(resp_copy, response, WriteLog);
            return kRefused;
        }
        echo(resp_copy, resp::tran_amt, req_copy, req::tran_amt);
        result = run_card(req_copy, resp_copy, kind::kCardApproval);
    } else if (kind_code == "KT" && cancel) {
        result = card(kind::kCardCancel, false);
    } else if (kind_code == "40") {
        g_call.host_port = port;
        route_primary_for_call();
        write_points_echo(req_copy, resp_copy);
        int kind = points_kind(req_copy);
        // An operation the host does not know is refused, so nothing is sent
        // and no acknowledgement follows.
        if (kind == 0) return refuse(resp_copy, response);
        result = run_points(req_copy, resp_copy, kind);
    } else if (kind_code == "F1" && approval) {
        result = card(kind::kF1Approval, false);
    } else if (kind_code == "F2" && cancel) {
        result = card(kind::kF2Cancel, false);
    } else {
        return refuse(resp_copy, response);
    }
    return end_call(result, resp_copy, response, WriteLogMasked);
}

SendResult zelta_okcashbag(const char* host, int port, const char* request, char* response) {
    if (!request || !response) {
        log_invalid_call("Zelta_OKCashbag");
        return kRefused;
    }
    char req_copy[req::kSize];
    char resp_copy[resp::kSize];
    start_call(host, req_copy, resp_copy);
    route_points_refresh(g_call);

    log_record(WriteLog, request, req::kSize);
    std::memcpy(req_copy, request, req::kSize);
    if (!write_response_head(req_copy, resp_copy)) return kRefused;
    if (!field_equals(req_copy, req::tran_kind, "40")) return refuse(resp_copy, response);

    g_call.host_port = port;
    write_points_echo(req_copy, resp_copy);
    int kind = points_kind(req_copy);
    if (kind == 0) return refuse(resp_copy, response);
    SendResult result = run_points(req_copy, resp_copy, kind);
    return end_call(result, resp_copy, response, WriteLog);
}

}  // namespace zpos
