// zpos's calls of the library's exports, as a POS makes them: the request
// shown, the library's log lines while the call waits, the response field by
// field, and a verdict of what the POS does next.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>
#include <thread>

#include "tools/zpos/app_dir.h"
#include "tools/zpos/log_view.h"
#include "tools/zpos/record_view.h"
#include "tools/zpos/settings_command.h"
#include "tools/zpos/verdicts.h"
#include "tools/zpos/zpos.h"
#include "zposapp.h"

namespace zpos::cli {

namespace {

using Response = std::array<char, ZPOSAPP_RESPONSE_SIZE>;

// The requests that take the backup route while it is in force: card
// approvals and cancellations (type, kind).
constexpr std::string_view kBackupRouted[][2] = {{"0200", "10"}, {"0420", "30"}, {"0200", "KT"}, {"0420", "KT"}};

bool takes_backup_route(const Request& r) {
    std::string_view type(r.data() + ZPOSAPP_REQ_MSG_TYPE_OFFSET, ZPOSAPP_REQ_MSG_TYPE_WIDTH);
    std::string_view kind(r.data() + ZPOSAPP_REQ_TRAN_KIND_OFFSET, ZPOSAPP_REQ_TRAN_KIND_WIDTH);
    for (const auto& routed : kBackupRouted)
        if (type == routed[0] && kind == routed[1]) return true;
    return false;
}

// What the POS does now: the response code's verdict where it decides, else
// the result's.
void print_verdict(const char* export_name, int result, const char* response) {
    const ResultVerdict* verdict = nullptr;
    if (std::strcmp(export_name, "download") == 0 && result > 0) verdict = &kDownloadAnswer;
    for (const ResultVerdict& v : kResultVerdicts)
        if (!verdict && std::strcmp(v.export_name, export_name) == 0 && v.value == result) verdict = &v;
    if (response) {
        for (const CodeVerdict& c : kCodeVerdicts) {
            if (std::strncmp(c.resp_code, response + ZPOSAPP_RESP_RESP_CODE_OFFSET, ZPOSAPP_RESP_RESP_CODE_WIDTH) != 0)
                continue;
            if (std::strcmp(c.action, "by result") != 0) {
                std::printf("-- verdict: %s: %s\n", c.action, c.todo);
                return;
            }
        }
    }
    if (verdict)
        std::printf("-- verdict: %s: %s\n", verdict->action, verdict->todo);
    else
        std::printf("-- verdict: none: a result no table names; see the library's log (zpos log)\n");
}

int waiting(const char* reading, const std::function<int()>& call) {
    return with_waiting_lines(stdout, app_dir(), reading, call);
}

int run_ack() {
    std::printf("-- Zelta_Ack\n");
    std::fflush(stdout);
    int r = waiting("", [] { return Zelta_Ack(); });
    std::printf("-- result %d: %s\n", r, zposapp_ack_result_text(r));
    print_verdict("ack", r, nullptr);
    return r == ZPOSAPP_ACK_CLOSED ? 0 : 1;
}

int run_transaction(const Call& call) {
    bool points = call.what == Call::What::Points;
    if (!points && takes_backup_route(call.request))
        for (const std::string& w : route_warnings(app_dir(), std::time(nullptr)))
            std::fprintf(stderr, "zpos: warning: %s\n", w.c_str());
    std::printf("== %s to %s:%ld\n-- request\n", points ? "Zelta_OKCashbag" : "Zelta_Send", call.host.c_str(),
                call.port);
    print_request(stdout, call.request.data());
    std::fflush(stdout);
    Response response{};
    int result = waiting("", [&] {
        return points ? Zelta_OKCashbag(call.host.c_str(), static_cast<int>(call.port), call.request.data(),
                                        response.data())
                      : Zelta_Send(call.host.c_str(), static_cast<int>(call.port), call.request.data(),
                                   response.data());
    });
    std::printf("-- response\n");
    print_response(stdout, response.data());
    std::printf("-- result %d: %s\n", result, zposapp_send_result_text(result));
    print_verdict("send", result, response.data());
    if (!call.raw.empty()) {
        std::FILE* f = std::fopen(call.raw.c_str(), "wb");
        if (!f) return fail("cannot write --raw file ", call.raw);
        std::fwrite(response.data(), 1, response.size(), f);
        std::fclose(f);
    }
    if (result < 0) return 1;
    if (!call.ack) return 0;
    if (!zposapp_field_is(response.data(), response.size(), ZPOSAPP_FIELD(RESP, RESP_CODE),
                          ZPOSAPP_RESP_CODE_APPROVED)) {
        std::printf("-- Zelta_Ack not called: only an approval is confirmed\n");
        return 0;
    }
    return run_ack();
}

int run_download(const Call& call) {
    std::printf("== Zelta_download to %s:%ld [%s]\n", call.host.c_str(), call.port, call.text.c_str());
    std::fflush(stdout);
    std::array<char, ZPOSAPP_DOWNLOAD_ANSWER_SIZE> answer{};
    int result = waiting("waiting for the server's answer (10 s)", [&] {
        return Zelta_download(call.host.c_str(), static_cast<int>(call.port), call.text.c_str(), answer.data());
    });
    std::printf("-- result %d: %s\n-- answer [%s]\n", result, zposapp_download_result_text(result), answer.data());
    print_verdict("download", result, nullptr);
    return result > 0 ? 0 : 1;
}

}  // namespace

int run(const Call& call) {
    int status = 0;
    switch (call.what) {
        case Call::What::Send:
        case Call::What::Points: status = run_transaction(call); break;
        case Call::What::Ack: status = run_ack(); break;
        case Call::What::Download: status = run_download(call); break;
        case Call::What::Wait:
            std::printf("== wait %ld ms\n", call.wait_ms);
            std::fflush(stdout);
            std::this_thread::sleep_for(std::chrono::milliseconds(call.wait_ms));
            break;
    }
    std::fflush(stdout);
    return status;
}

// One call of send, points, ack or download, prepared from its options.
int run_call(const Command& c, const Arguments& a) {
    Call call;
    if (!c.prepare(c, a, call)) return 2;
    int status = run(call);
    if (call.what == Call::What::Ack && status != 0)
        std::fprintf(stderr, "zpos: Zelta_Ack confirms an approval of the same process: use send --ack, or ack "
                             "after send in a session\n");
    return status;
}

}  // namespace zpos::cli
