// Every failure the POS can meet, through the exported functions, each row
// checked whole: result, resp_code, log, NAKs, route keys, descriptors, and
// the settings keys the failure has no business with.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "entry/call.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "support/log_lines.h"
#include "tests/backup/backup_fixture.h"
#include "tests/common/print.h"
#include "tools/host/host_sim.h"
#include "zposapp.h"

namespace zpos::test {
namespace {

using host::Fault;

// Keys no failure may touch, with the file's own spacing and a comment.
const char kOtherKeys[] =
    "; terminal 7\n"
    "[VANCFG]\n"
    "OTHER = kept as written  \n"
    "\n"
    "[COM_PORT]\n"
    "SignSetting=YES\n"
    "GetComPort=7\n"
    "Pin=NO\n"
    "[SIGNPAD]\n"
    "Value=ABC\n";

// The settings text without the route keys, which failures may change.
std::string without_route_keys(const std::string& text) {
    std::string out;
    for (const std::string& line : lines_of(text))
        if (line.rfind("VANID=", 0) != 0 && line.rfind("EOT_CNT=", 0) != 0 && line.rfind("TOGGLE_TIME=", 0) != 0)
            out += line + "\n";
    return out;
}

enum class Route { Primary, Backup };
enum class Call {
    Send,          // Zelta_Send of a card approval
    SendThenAck,   // Zelta_Send, then Zelta_Ack's result is the row's
    AckAlone,      // Zelta_Ack with no transaction before it
    Download,      // Zelta_download with a request text
    DownloadEmpty  // Zelta_download with an empty request
};

struct Row {
    const char* name;
    Call call;
    Fault fault = Fault::None;
    int fault_count = host::Scenario{}.fault_count;  // the ENQs of Fault::RepeatEnq
    bool host_listens = true;
    bool answer_management = true;
    bool download_service = false;
    Route route = Route::Primary;
    BackupDir::Lib backup = BackupDir::Lib::full;
    const char* backup_script = "";
    Pad pad = Pad::full;
    const char* pad_script = "";
    const char* amount = "000030000";  // above 50000 asks for a signature
    int result = 0;
    const char* resp_code = nullptr;  // unchecked when null
    std::vector<std::string> log{};   // lines the log holds afterwards, each as often as listed
    const char* failures_before = "1";  // EOT_CNT on the primary route beforehand
    const char* eot_cnt = "1";        // the route keys afterwards
    const char* van_id = "1";
    int naks = 0;                     // NAKs the host saw
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class FaultMatrix : public ::testing::TestWithParam<Row> {
protected:
    ShortLinkWaits waits{500, 300};
};

TEST_P(FaultMatrix, ResultResponseLogAndNothingLeftBehind) {
    const Row& row = GetParam();
    int descriptors = open_descriptors();
    {
        BackupDir dir(row.backup, row.pad);
        dir.script(row.backup_script);
        dir.pad_script(row.pad_script);
        std::string route = row.route == Route::Backup
                                ? "[VANCFG]\nVANID=2\nEOT_CNT=3\nTOGGLE_TIME=" + std::to_string(platform::now()) + "\n"
                                : std::string("[VANCFG]\nVANID=1\nEOT_CNT=") + row.failures_before + "\n";
        dir.write_settings(route + kOtherKeys);

        host::Scenario scenario;
        scenario.faults = {row.fault};
        scenario.fault_count = row.fault_count;
        scenario.answer_management = row.answer_management;
        if (row.download_service) scenario.service = host::Scenario::Service::Download;
        host::HostSim sim(scenario);
        ASSERT_TRUE(sim.start());
        int port = sim.port();
        if (!row.host_listens) {
            sim.stop();
            port = closed_loopback_port();
        }

        std::array<char, resp::kSize> response;
        response.fill('#');
        std::array<char, ZPOSAPP_DOWNLOAD_ANSWER_SIZE> answer;
        answer.fill('Z');
        Request card = card_request(row.amount);
        int result = 0;
        switch (row.call) {
        case Call::Send: result = Zelta_Send("127.0.0.1", port, card.data(), response.data()); break;
        case Call::SendThenAck:
            ASSERT_EQ(Zelta_Send("127.0.0.1", port, card.data(), response.data()), 1);
            result = Zelta_Ack();
            break;
        case Call::AckAlone: result = Zelta_Ack(); break;
        case Call::Download: result = Zelta_download("127.0.0.1", port, "REQ", answer.data()); break;
        case Call::DownloadEmpty: result = Zelta_download("127.0.0.1", port, "", answer.data()); break;
        }
        if (row.call == Call::Send && result == 1) {
            // Went on without a signature; the approval still waits for its ACK.
            EXPECT_EQ(field(response.data(), resp::sign_flag), "NONE");
            EXPECT_EQ(Zelta_Ack(), 1);
        }
        sim.stop();

        EXPECT_EQ(result, row.result);
        EXPECT_EQ(answer[0], 'Z');  // a failed download leaves the answer buffer alone
        if (row.resp_code) {
            EXPECT_EQ(field(response.data(), resp::resp_code), row.resp_code);
        }
        for (const std::string& line : row.log)
            EXPECT_EQ(dir.log_count(line), std::count(row.log.begin(), row.log.end(), line)) << line;
        EXPECT_EQ(sim.naks_seen(), row.naks);
        EXPECT_EQ(dir.setting("VANCFG", "EOT_CNT"), row.eot_cnt);
        EXPECT_EQ(dir.setting("VANCFG", "VANID"), row.van_id);
        EXPECT_EQ(g_module.link.socket, platform::kNoSocket);
        EXPECT_EQ(without_route_keys(dir.read_settings()), without_route_keys(route + kOtherKeys));
    }
    EXPECT_EQ(open_descriptors(), descriptors);
}

// A card approval against a host with `fault`; a failure counts one more, a
// success is closed by Zelta_Ack, which resets the count.
Row exchange(const char* name, Fault fault, int result, const char* resp_code, const char* log_line, int naks = 0) {
    Row r{name, Call::Send, fault};
    r.result = result;
    r.resp_code = resp_code;
    r.log = {log_line};
    r.eot_cnt = result == 1 ? "0" : "2";
    r.naks = naks;
    return r;
}

// More ENQs than there are retries: each is waited for, none costs a retry
// or a NAK.
Row repeated_enq() {
    Row r = exchange("RepeatedEnq", Fault::RepeatEnq, 1, "0000", "ENQ RETRY [05] [2]");
    r.fault_count = 5;
    r.log.assign(5, "ENQ RETRY [05] [2]");
    return r;
}

// The third failure in a row switches to the backup route.
Row third_failure() {
    Row r = exchange("ThirdFailureSwitchesToTheBackupRoute", Fault::NoEnq, -5, "    ", "ENQ read TimeOut err");
    r.failures_before = "2";
    r.eot_cnt = "3";
    r.van_id = "2";
    return r;
}

Row refused_connection() {
    Row r = exchange("RefusedConnection", Fault::None, -6, "COMM", "resp_code[COMM]");
    r.host_listens = false;
    r.eot_cnt = "1";  // the route switches at once instead
    r.van_id = "2";
    return r;
}

// A missing EOT (or none to wait for) hands over to the management message;
// the failure count is left alone.
Row acknowledgement(const char* name, Call call, Fault fault, bool answer_management, int result,
                    std::vector<std::string> log) {
    Row r{name, call, fault};
    r.answer_management = answer_management;
    r.result = result;
    r.log = std::move(log);
    return r;
}

Row download(const char* name, Call call, Fault fault, bool listens, int result, const char* log_line) {
    Row r{name, call, fault};
    r.download_service = fault == Fault::None;
    r.host_listens = listens;
    r.result = result;
    r.log = {log_line};
    return r;
}

// The backup route in force, and the backup library unusable: the route goes
// back to the primary host.
Row backup_route(const char* name, BackupDir::Lib lib, const char* script, int result, const char* log_line) {
    Row r{name, Call::Send};
    r.route = Route::Backup;
    r.backup = lib;
    r.backup_script = script;
    r.result = result;
    r.log = {log_line};
    r.eot_cnt = "0";
    return r;
}

// An amount that asks for a signature; a refusal sends nothing.
Row pad(const char* name, Pad pad, const char* script, int result, const char* resp_code, const char* log_line) {
    Row r{name, Call::Send};
    r.pad = pad;
    r.pad_script = script;
    r.amount = "000060000";
    r.result = result;
    r.resp_code = resp_code;
    r.log = {log_line};
    r.eot_cnt = result == 1 ? "0" : "1";
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Exchange, FaultMatrix,
    ::testing::Values(exchange("NoEnq", Fault::NoEnq, -5, "    ", "ENQ read TimeOut err"),
                      exchange("ShortEnq", Fault::ShortEnq, -5, "    ", "ENQ Read Err"),
                      exchange("WrongThirdByte", Fault::WrongThirdByte, -5, "    ", log_lines::kNoEnq),
                      exchange("EnqWithOtherBytes", Fault::EnqWithExtra, 1, "0000", "rtn[6] ENQ_RECV[05]"),
                      repeated_enq(),
                      exchange("SilentAfterRequest", Fault::SilentAfterRequest, -1, "Time", "reply data time out", 3),
                      exchange("NakReply", Fault::NakReply, -2, "    ", "reply data recv err", 3),
                      exchange("ShortFrame", Fault::ShortFrame, -2, "    ", "reply data recv err", 3),
                      exchange("ShortBody", Fault::ShortBody, -1, "    ", "recv err2 body_rtn[20], rply_rtn[50]"),
                      exchange("StalledBody", Fault::StalledBody, -1, "    ", "recv err2 body_rtn[20], rply_rtn[50]"),
                      exchange("OversizeLength", Fault::OversizeLength, -1, "    ",
                               "recv err2 body_rtn[0], rply_rtn[3001]"),
                      exchange("ZeroLengthWithAByte", Fault::ZeroLength, -1, "    ", "recv err2 body_rtn[1], rply_rtn[0]"),
                      third_failure(), refused_connection()),
    RowName{});

// The one test that waits the link's real ten seconds: a stalled reply ends
// the call with -1, as a short body does.
TEST(StalledHost, ReplyStoppingHalfwayEndsTheCallAfterTheLinksWait) {
    BackupDir dir(BackupDir::Lib::full);
    host::Scenario scenario;
    scenario.faults = {Fault::StalledBody};
    host::HostSim sim(scenario);
    ASSERT_TRUE(sim.start());
    std::array<char, resp::kSize> response;
    long long started = platform::monotonic_ms();
    int result = Zelta_Send("127.0.0.1", sim.port(), card_request("000030000").data(), response.data());
    std::printf("stalled host: Zelta_Send returned %d after %.1f s\n", result,
                static_cast<double>(platform::monotonic_ms() - started) / 1000);
    sim.stop();
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(dir.logged("recv err2 body_rtn[20], rply_rtn[50]"));
    EXPECT_EQ(dir.setting("VANCFG", "EOT_CNT"), "1");
    EXPECT_EQ(g_module.link.socket, platform::kNoSocket);
}

INSTANTIATE_TEST_SUITE_P(
    Acknowledgement, FaultMatrix,
    ::testing::Values(
        acknowledgement("NoLink", Call::AckAlone, Fault::None, true, -5, {"ACK send err"}),
        acknowledgement("NoEot", Call::SendThenAck, Fault::NoEot, true, -13, {"EOT recv time out", "MANG ACK SEND"}),
        acknowledgement("ShortEot", Call::SendThenAck, Fault::ShortEot, true, -13,
                        {"EOT recv err2 rtn[2]", "MANG ACK SEND"}),
        acknowledgement("FramesWithoutEot", Call::SendThenAck, Fault::FramesWithoutEot, true, -13,
                        {"EOT RECV [41] ERROR   count[5] Len[  3] ", "MANG ACK SEND"}),
        acknowledgement("ManagementUnanswered", Call::SendThenAck, Fault::NoEot, false, -12,
                        {"EOT recv time out", "MANG req send err"})),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    Download, FaultMatrix,
    ::testing::Values(download("SilentServer", Call::Download, Fault::NoEnq, true, -1, "timeout socket"),
                      download("EmptyRequest", Call::DownloadEmpty, Fault::None, true, -4, "SEND ERR"),
                      download("NoServer", Call::Download, Fault::None, false, -5, "CONNECT ERR")),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    BackupRoute, FaultMatrix,
    ::testing::Values(backup_route("NoLibrary", BackupDir::Lib::none, "", -9, "BACK UP DLL load Fail"),
                      backup_route("NoExports", BackupDir::Lib::no_exports, "", -9,
                                   "BACK UP DLL  get  cryptCard Fail"),
                      backup_route("CallReturnsFalse", BackupDir::Lib::full, "process_result=0\n", -8,
                                   "Call ret false")),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    PadLibrary, FaultMatrix,
    ::testing::Values(pad("Missing", Pad::none, "", 1, "0000", "Signpad_dll.dll load Fail"),
                      pad("NoFunctions", Pad::no_functions, "", 1, "0000", "SignPad_dll.dll orvik_sign load fail..."),
                      pad("ResultZero", Pad::full, "sign_result=0\n", -10, "####", "RETURN Sign LEN.. 0000"),
                      pad("ResultTwo", Pad::full, "sign_result=2\n", -10, "####", "RETURN Sign LEN.. 0002")),
    RowName{});

}  // namespace
}  // namespace zpos::test
