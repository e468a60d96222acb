// Zelta_Send and Zelta_OKCashbag: the start of call, the response head, the
// dispatch row the request matches run step by step (port, route, echo, the
// row's extras, the path), the refusals, and the end of call that hands the
// response back with its zero bytes blanked.
#include "entry/zelta_send.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "entry/call.h"
#include "entry/dispatch.h"
#include "entry/record_log.h"
#include "entry/send_paths.h"
#include "link/acknowledge.h"
#include "platform/platform.h"
#include "platform/seams.h"
#include "support/fields.h"
#include "support/korean_texts.h"
#include "support/log.h"
#include "support/log_lines.h"
#include "support/records.h"
#include "support/route.h"

namespace zpos {

namespace {

constexpr int kTestPort = 10901;
constexpr char kTestTerminal[] = "1450019998";

// One call of an entry point: the caller's port and response buffer, the
// writer its records are logged with, and the local copies worked on.
struct Transaction {
    int port;
    char* caller_response;
    RecordLogger logger;
    char request[req::kSize];
    char response[resp::kSize];
};

SendPaths g_stand_ins{};

// The paths the rows run: a test's stand-in, the library's own otherwise.
SendResult run_path(Action action, Transaction& t, int kind) {
    if (action == Action::cheque) return platform::seam_or(g_stand_ins.cheque, SendChequeTran)(t.request, t.response);
    if (action == Action::points) return platform::seam_or(g_stand_ins.points, SendPointTran)(t.request, t.response, kind);
    return platform::seam_or(g_stand_ins.card, SendCardTran)(t.request, t.response, kind);
}

AutoAckResult auto_ack_of_call() { return auto_acknowledge(g_module); }

// Start of call shared by both entry points: module paths, host address and
// the zeroed local copies. False, with the line that says so, when the
// caller gave no request record or no response buffer.
bool start_call(const char* entry, const char* host, const char* request, Transaction& t) {
    if (!request || !t.caller_response) {
        write_log_format(log_lines::kInvalidCallBuffer, log_lines::kInvalidCall, entry);
        return false;
    }
    prepare_call();
    std::memset(g_module.call.host_addr, 0, sizeof g_module.call.host_addr);
    std::snprintf(g_module.call.host_addr, sizeof g_module.call.host_addr, "%.15s", host ? host : "");
    std::memset(t.request, 0, sizeof t.request);
    std::memset(t.response, 0, sizeof t.response);
    return true;
}

// Response head. False when msg_type's second character names no response
// type; the notice has then been shown.
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

void echo(Transaction& t, Field to, Field from) { put_text(t.response, to, field_text(t.request, from)); }

// The card echo (its amount left to the balance check where the row has one)
// or the points echo.
void write_echo(const DispatchRow& row, Transaction& t) {
    if (row.echo == Echo::points) {
        echo(t, resp::pt_media, req::pt_media);
        echo(t, resp::pt_sub, req::pt_sub);
        echo(t, resp::pt_card_data, req::pt_card_data);
        echo(t, resp::pt_amt, req::pt_amt);
        return;
    }
    if (row.echo != Echo::card) return;
    echo(t, resp::entry_mode, req::entry_mode);
    echo(t, resp::card_data, req::card_data);
    echo(t, resp::install_months, req::install_months);
    echo(t, resp::amt_extra1, req::amt_extra1);
    echo(t, resp::amt_extra2, req::amt_extra2);
    if (!row.balance_check) echo(t, resp::tran_amt, req::tran_amt);
}

// Refusal: "NOTX", a text at `message` where there is one, the local
// response copied unchanged (positions never written stay zero bytes).
SendResult refuse(Transaction& t, const char* text) {
    put_exact(t.response, resp::resp_code, kRespRefused);
    if (text) put_text(t.response, resp::message, text);
    std::memcpy(t.caller_response, t.response, resp::kSize);
    return SendResult::failed;
}

// The response as the POS receives it: every zero byte a blank.
void hand_back(Transaction& t, RecordLogger logger) {
    char out[1000] = {};
    std::memcpy(out, t.response, resp::kSize);
    for (std::size_t i = 0; i < resp::kSize; ++i)
        if (out[i] == '\0') out[i] = ' ';
    log_record(logger, out, resp::kSize);
    std::memcpy(t.caller_response, out, resp::kSize);
}

// A balance inquiry, which the row's kind does not allow: refused, the
// response blanked and logged.
SendResult refuse_balance_inquiry(Transaction& t) {
    put_exact(t.response, resp::resp_code, kRespRefused);
    put_text(t.response, resp::message, texts::kTextNoBalanceInquiry);
    hand_back(t, WriteLog);
    return SendResult::failed;
}

SendResult end_call(SendResult result, Transaction& t) {
    if (!field_equals(t.response, resp::resp_code, kRespApproved)) {
        if (result == SendResult::no_connection) put_exact(t.response, resp::resp_code, kRespNoConnection);
        write_log_format(log_lines::kRespCodeBuffer, log_lines::kRespCode, t.response + resp::resp_code.offset);
        // An approval waits for Zelta_Ack; a decline is closed with the host
        // here, and the POS never sees how that went.
        if (g_module.route == RouteMode::primary && static_cast<int>(result) >= 0)
            static_cast<void>(platform::seam_or(g_stand_ins.auto_ack, auto_ack_of_call)());
    }
    hand_back(t, t.logger);
    return result;
}

// Written as bytes, so the log shows its line breaks as [0a].
static_assert(log_lines::kCashAuthBuffer == log_lines::kCashCancelBuffer);
void log_cash(const char* format, int port) {
    char line[log_lines::kCashAuthBuffer];
    int n = std::snprintf(line, sizeof line, format, static_cast<long>(port));
    WriteLog(line, n < static_cast<int>(sizeof line) ? n : static_cast<int>(sizeof line) - 1);
}

SendResult run_row(const DispatchRow& row, Transaction& t) {
    if (row.action == Action::refuse) return refuse(t, row.refusal_text);
    g_module.call.host_port = t.port;
    if (row.force_primary) route_primary_for_call(g_module);
    write_echo(row, t);
    if (row.cash_log) log_cash(row.cash_log, t.port);
    if (row.balance_check) {
        if (field_value(t.request, req::tran_amt) == 1) return refuse_balance_inquiry(t);
        echo(t, resp::tran_amt, req::tran_amt);
    }
    int kind = row.action == Action::points ? points_kind(field_text(t.request, req::pt_sub)) : row.kind;
    // An operation the host does not know is refused, so nothing is sent and
    // no acknowledgement follows.
    if (kind == kind::kNone) return refuse(t, nullptr);
    SendResult result = run_path(row.action, t, kind);
    if (row.returns_not_built && result == SendResult::not_built) return result;
    return end_call(result, t);
}

}  // namespace

SendPaths& send_path_stand_ins() { return g_stand_ins; }

SendResult zelta_send(const char* host, int port, const char* request, char* response) {
    Transaction t{port, response, WriteLogMasked, {}, {}};
    if (!start_call("Zelta_Send", host, request, t)) return SendResult::failed;
    route_mode_refresh(g_module);
    std::memset(g_module.call.saved_request, 0, sizeof g_module.call.saved_request);
    log_record(WriteLogMasked, request, req::kSize);
    std::memcpy(t.request, request, req::kSize);
    std::memcpy(g_module.call.saved_request, request, req::kSize);

    if (!write_response_head(t.request, t.response)) return SendResult::failed;
    if (port == kTestPort && !field_equals(t.request, req::term_id, kTestTerminal))
        platform::show_notice(texts::kNoticeTestPort.cp949, texts::kNoticeTestPort.utf8);
    return run_row(dispatch_row(field_text(t.request, req::msg_type), field_text(t.request, req::tran_kind)), t);
}

SendResult zelta_okcashbag(const char* host, int port, const char* request, char* response) {
    Transaction t{port, response, WriteLog, {}, {}};
    if (!start_call("Zelta_OKCashbag", host, request, t)) return SendResult::failed;
    route_points_refresh(g_module);
    log_record(WriteLog, request, req::kSize);
    std::memcpy(t.request, request, req::kSize);
    if (!write_response_head(t.request, t.response)) return SendResult::failed;
    if (!field_equals(t.request, req::tran_kind, "40")) return refuse(t, nullptr);
    return run_row(kPointsRow, t);
}

}  // namespace zpos
