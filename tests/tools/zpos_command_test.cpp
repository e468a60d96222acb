// zpos run as a separate process: each test copies the command and the
// library into a fresh application directory (the library keeps its settings
// and logs beside the executable), runs it with its output in files and checks
// the exit status and what it printed. Hosts are in-process simulators on
// loopback.
#include <filesystem>
#include <csignal>
#include <iostream>
#include <map>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/records.h"
#include "tests/common/app_dir.h"
#include "tests/common/print.h"
#include "tests/common/process.h"
#include "tests/common/sockets.h"
#include "tests/common/records_helper.h"
#include "tools/host/host_sim.h"

namespace zpos::test {
namespace {

namespace fs = std::filesystem;

// A field line of zpos's record display: "  name  offset width  [text]".
struct Shown {
    bool found = false;
    std::size_t offset = 0, width = 0;
    std::string text;
};

// The start of a field line as zpos shows it: name, offset, width, then the
// text in brackets.
std::string field_line(const char* name, Field f, const std::string& text) {
    char head[48];
    std::snprintf(head, sizeof head, "  %-16s %3zu %3zu  [", name, f.offset, f.width);
    return head + text;
}

Shown shown(const std::string& out, const std::string& name) {
    Shown s;
    for (const std::string& line : lines_of(out)) {
        std::istringstream in(line);
        std::string n;
        in >> n;
        if (n != name) continue;
        in >> s.offset >> s.width;
        std::size_t open = line.find('['), close = line.rfind(']');
        if (open == std::string::npos || close == std::string::npos) continue;
        s.found = true;
        s.text = line.substr(open + 1, close - open - 1);
        return s;
    }
    return s;
}

std::string text_field(const std::string& text, std::size_t width) { return text + std::string(width - text.size(), ' '); }

// The part of a `send` display after "-- response".
std::string response_part(const std::string& out) {
    std::size_t at = out.find("-- response\n");
    return at == std::string::npos ? "" : out.substr(at);
}

// The value column of a key in `zpos settings` output.
std::string setting_shown(const std::string& out, const std::string& key) {
    for (const std::string& line : lines_of(out)) {
        std::istringstream in(line);
        std::string section, k, value;
        in >> section >> k >> value;
        if (k != key) continue;
        return value == "(not" ? "(not set)" : value;
    }
    return "<missing>";
}

void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class ZposCommand : public ::testing::Test {
protected:
    void SetUp() override {
        std::error_code ec;
        fs::copy_file(ZPOS_COMMAND, exe(), ec);
        ASSERT_FALSE(ec) << ec.message();
        fs::copy_file(ZPOS_LIBRARY, app.file(fs::path(ZPOS_LIBRARY).filename().string()), ec);
        ASSERT_FALSE(ec) << ec.message();
    }

    std::string exe() const { return app.file("zpos"); }

    std::vector<std::string> command(const std::vector<std::string>& args) const {
        std::vector<std::string> all{exe()};
        all.insert(all.end(), args.begin(), args.end());
        return all;
    }
    // The card path reads the security store; keep it in this directory.
    std::vector<std::string> env() const { return {"ZPOS_REGISTRY_FILE=" + app.file("registry.dat")}; }

    // zpos's first line on standard error names its application directory;
    // `run` leaves it out, the tests of that line keep it.
    Outcome run_naming_app_dir(const std::vector<std::string>& args, const std::vector<std::string>& more_env = {}) const {
        std::vector<std::string> all = env();
        all.insert(all.end(), more_env.begin(), more_env.end());
        return run_process(command(args), app.path(), all);
    }
    Outcome run(const std::vector<std::string>& args) const {
        Outcome r = run_naming_app_dir(args);
        if (r.err.rfind(kAppDirLine, 0) == 0) r.err.erase(0, r.err.find('\n') + 1);
        return r;
    }

    static constexpr char kAppDirLine[] = "zpos: application directory ";

    AppDir app;
};

// ---- demo ----

TEST_F(ZposCommand, DemoRunsEveryTransactionAndRemovesItsDirectory) {
    Outcome r = run({"demo"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* title : {"== card approval", "== declined card (acknowledged automatically)", "== cash",
                              "== points", "== download"})
        EXPECT_NE(r.out.find(title), std::string::npos) << title;
    std::string approval = r.out.substr(0, r.out.find("== declined"));
    EXPECT_EQ(shown(response_part(approval), "resp_code").text, "0000");
    EXPECT_EQ(shown(response_part(approval), "auth_no").text, "12345678    ");
    EXPECT_NE(approval.find("-- Zelta_Ack: 1 (the host closed the transaction"), std::string::npos);
    std::string declined = r.out.substr(r.out.find("== declined"));
    EXPECT_EQ(shown(response_part(declined), "resp_code").text, "8324");
    // A decline shows the host's two message lines as "line 1, line 2".
    EXPECT_EQ(shown(response_part(declined), "message").text, "한도초과," + std::string(31, ' '));
    EXPECT_NE(r.out.find("-- answer [0000DOWNLOAD OK]"), std::string::npos);

    // Without --keep the temporary application directory is gone afterwards.
    std::size_t at = r.out.find("settings:  ");
    ASSERT_NE(at, std::string::npos);
    std::string settings = r.out.substr(at + 11, r.out.find('\n', at) - at - 11);
    EXPECT_FALSE(fs::exists(fs::path(settings).parent_path())) << settings;
}

// ---- send and points against a simulator ----

struct SendCase {
    const char* name;
    bool host_running;
    bool decline_cards_from_5;
    std::vector<std::string> args;  // after --host and --port
    int status;
    const char* resp_code;
    std::vector<std::string> lines;  // shown in this order
    std::size_t requests_seen;
};

host::Scenario declining_cards_from_5() {
    host::Scenario scenario;
    scenario.rules.push_back(host::decline_card("5", "한도초과"));
    return scenario;
}

class ZposSend : public ZposCommand, public ::testing::WithParamInterface<SendCase> {};

TEST_P(ZposSend, PrintsTheResponseAndAVerdictAndExitsByTheResult) {
    const SendCase& c = GetParam();
    host::HostSim sim(c.decline_cards_from_5 ? declining_cards_from_5() : host::Scenario{});
    int port = closed_loopback_port();
    if (c.host_running) {
        ASSERT_TRUE(sim.start());
        port = sim.port();
    }
    std::vector<std::string> args{c.args[0], "--host", "127.0.0.1", "--port", std::to_string(port)};
    args.insert(args.end(), c.args.begin() + 1, c.args.end());
    args.insert(args.end(), {"--raw", app.file("response.dat")});
    Outcome r = run(args);
    sim.stop();

    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    std::string response = response_part(r.out);
    EXPECT_EQ(shown(response, "resp_code").text, c.resp_code) << r.out;
    std::size_t at = 0;
    for (const std::string& line : c.lines) {
        at = r.out.find(line, at);
        EXPECT_NE(at, std::string::npos) << line << "\n" << r.out;
        if (at == std::string::npos) break;
    }
    // Card numbers only ever show their first six and last four digits.
    EXPECT_EQ(r.out.find("3456789"), std::string::npos) << r.out;
    EXPECT_EQ(sim.requests().size(), c.requests_seen);
    // The raw response is the record as the library handed it back.
    std::string raw = read_file(app.file("response.dat"));
    ASSERT_EQ(raw.size(), resp::kSize);
    EXPECT_EQ(raw.substr(resp::resp_code.offset, 4), c.resp_code);
}

INSTANTIATE_TEST_SUITE_P(
    Transactions, ZposSend,
    ::testing::Values(
        SendCase{"CardApprovalConfirmed", true, false, {"send", "--amount", "30000", "--ack"}, 0, "0000",
                 {field_line("track2", req::track2, "941012******9012********             ]"),
                  "rtn[3] ENQ_RECV[05]\n", "(response record, 450 bytes)\n", "-- result 1: the host replied",
                  "-- verdict: receipt: print the receipt", "-- Zelta_Ack\n", "  | 0 s   ACK SEND\n",
                  "EOT RECV [04] OK   count[1] Len[  3] \n", "-- result 1: the host closed the transaction",
                  "-- verdict: done: "},
                 1},
        SendCase{"CardDecline", true, true,
                 {"send", "--track", "5410123456789012=2812101", "--amount", "45000", "--ack"}, 0, "8324",
                 {"AUTO ACK SEND\n", "-- result 1: the host replied", "-- verdict: no receipt: ",
                  "-- Zelta_Ack not called: only an approval is confirmed"},
                 1},
        SendCase{"KeyedCash", true, false, {"send", "--kind", "21", "--keyed", "--track", "8001011234567"}, 0,
                 "0000", {"[800101***4567", "-- result 1: the host replied"}, 1},
        SendCase{"PointsEarn", true, false, {"points", "--sub", "01", "--amount", "5000"}, 0, "0000",
                 {field_line("pt_track2", req::pt_track2, "940000******7890*****"), "-- result 1: the host replied"}, 1},
        SendCase{"PointsCancelCarriesTheOriginal", true, false,
                 {"points", "--sub", "11", "--org-auth", "12345678", "--org-date", "261206"}, 0, "0000",
                 {field_line("pt_org_auth_no", req::pt_org_auth_no, "12345678    ]"),
                  field_line("pt_org_auth_date", req::pt_org_auth_date, "261206]")},
                 1},
        SendCase{"NoHostListening", false, false, {"send", "--kind", "10"}, 1, "COMM",
                 {"socket connect err IP[127.0.0.1]", "-- result -6: no connection to the host",
                  "-- verdict: retry: no receipt; check the network"},
                 0},
        SendCase{"KindTheLibraryRefuses", true, false, {"send", "--kind", "99"}, 1, "NOTX",
                 {"-- result -1: ", "-- verdict: fix request: nothing was sent"}, 0}),
    RowName{});

// A host that never answers the request: the waiting lines appear while the
// call still waits, up to the first NAK 10 seconds in; then the host goes away.
TEST_F(ZposCommand, SendShowsWhereTheCallWaitsAsItWaits) {
    host::Scenario scenario;
    scenario.faults = {host::Fault::SilentAfterRequest};
    host::HostSim sim(scenario);
    ASSERT_TRUE(sim.start());
    Process zpos(command({"send", "--port", std::to_string(sim.port())}), app.path(), env());
    bool nak_shown = zpos.wait_for_output("~ waiting for the host's reply, NAK 1 of 3, ", 30000);
    std::string while_waiting = zpos.out();
    sim.stop();
    Outcome r = zpos.finish();

    EXPECT_TRUE(nak_shown) << while_waiting;
    std::size_t enq = while_waiting.find("rtn[3] ENQ_RECV[05]\n");
    EXPECT_NE(enq, std::string::npos) << while_waiting;
    EXPECT_NE(while_waiting.find("~ waiting for the host's reply, ", enq), std::string::npos) << while_waiting;
    EXPECT_EQ(while_waiting.find("-- response"), std::string::npos) << while_waiting;
    // The host's close ends the wait that followed the NAK.
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(" recv err\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("-- result -1: "), std::string::npos) << r.out;
}

// tools/zpos/example.session against the example scenario: an approval and
// its Zelta_Ack in one process, a decline, a download.
TEST_F(ZposCommand, SessionRunsItsCommandsInOneProcess) {
    host::Scenario link, download;
    std::string error;
    ASSERT_TRUE(host::load_scenario(ZPOS_SOURCE_DIR "/tools/host/example.scenario", link, error)) << error;
    link.record_path.clear();
    download.service = host::Scenario::Service::Download;
    host::HostSim link_sim(link), download_sim(download);
    ASSERT_TRUE(link_sim.start() && download_sim.start());
    Outcome r = run({"session", ZPOS_SOURCE_DIR "/tools/zpos/example.session", "--port",
                     std::to_string(link_sim.port()), "--download-port", std::to_string(download_sim.port())});
    link_sim.stop();
    download_sim.stop();
    std::cout << r.out;

    EXPECT_EQ(r.status, 0) << r.err;
    std::size_t at = 0;
    for (const char* line : {">> send --kind 10 --amount 30000\n", "-- verdict: receipt: ", ">> ack\n",
                             "-- result 1: the host closed the transaction", ">> send --kind 10 --track",
                             "-- verdict: no receipt: ", ">> wait 0.5\n", "== wait 500 ms\n",
                             ">> download --request \"DOWNLOAD REQUEST\"\n", "-- answer [0000DOWNLOAD OK]\n",
                             "-- verdict: use the answer: ", "session: 5 commands, 5 succeeded, 0 failed\n"}) {
        at = r.out.find(line, at);
        ASSERT_NE(at, std::string::npos) << line;
    }
    EXPECT_EQ(link_sim.connections(), 2);
    EXPECT_EQ(download_sim.connections(), 1);
}

TEST_F(ZposCommand, SessionRefusesABadLineBeforeRunningAny) {
    host::HostSim sim(host::Scenario{});
    ASSERT_TRUE(sim.start());
    std::ofstream(app.file("bad.session")) << "send --kind 10\n\n# next\nsend --amout 5\n";
    Outcome r = run({"session", app.file("bad.session"), "--port", std::to_string(sim.port())});
    sim.stop();
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zpos: " + app.file("bad.session") +
                         ":4: unknown option --amout for 'send' (see zpos send --help)\n");
    EXPECT_EQ(sim.connections(), 0);
}

TEST_F(ZposCommand, SendShowsTheHostsAnswerFieldByField) {
    host::HostSim sim(host::Scenario{});
    ASSERT_TRUE(sim.start());
    Outcome r = run({"send", "--host", "127.0.0.1", "--port", std::to_string(sim.port()), "--kind", "10", "--amount",
                 "30000", "--months", "3", "--term-id", "1200000077"});
    sim.stop();
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(sim.requests().size(), 1u);
    EXPECT_EQ(sim.requests()[0].amount, 30000);
    EXPECT_EQ(sim.requests()[0].term_id, "1200000077");
    std::string response = response_part(r.out);
    EXPECT_EQ(shown(response, "msg_type").text, "0210");
    EXPECT_EQ(shown(response, "term_id").text, "1200000077");
    EXPECT_EQ(shown(response, "tran_amt").text, "000030000");
    EXPECT_EQ(shown(response, "issuer_name").text, text_field("국민카드", 20 + 4));
    EXPECT_EQ(shown(response, "merchant_no").text, "987654321      ");
    EXPECT_EQ(shown(response, "auth_no").text, "12345678    ");
    EXPECT_EQ(shown(r.out.substr(0, r.out.find("-- response")), "install_months").text, "03");
}

// `zpos log` over the day's log of an approval and its Zelta_Ack: the records
// field by field as the library logged them (the track already hidden around
// its '='), the link as a timeline with the meaning of each line.
TEST_F(ZposCommand, LogShowsRecordsByFieldAndTheLinkAsATimeline) {
    host::HostSim sim(host::Scenario{});
    ASSERT_TRUE(sim.start());
    ASSERT_EQ(run({"send", "--port", std::to_string(sim.port()), "--ack"}).status, 0);
    sim.stop();
    Outcome r = run({"log"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string port = std::to_string(sim.port());
    std::size_t at = 0;
    for (const std::string& line :
         {std::string(" transaction\n"), std::string(" request record, 240 bytes:\n"),
          field_line("track2", req::track2, "941012******************             ]\n"),
          "NONBLOCK 연결 성공[127.0.0.1][" + port + "]\n", std::string("connected by the non-blocking attempt\n"),
          std::string("rtn[3] ENQ_RECV[05]\n"), std::string("ENQ received (bytes read, 05); the request goes out"),
          std::string(" response record, 450 bytes:\n"), field_line("resp_code", resp::resp_code, "0000]\n"),
          std::string("EOT RECV [04] OK   count[1] Len[  3] \n"),
          std::string("EOT received for Zelta_Ack's ACK (byte, frame count, bytes read)")}) {
        at = r.out.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << "\n" << r.out;
    }
    EXPECT_EQ(r.out.find("3456789"), std::string::npos) << r.out;
}

TEST_F(ZposCommand, DownloadPrintsTheAnswer) {
    host::Scenario scenario;
    scenario.service = host::Scenario::Service::Download;
    scenario.download_answer = "0000TABLES 2612";
    host::HostSim sim(scenario);
    ASSERT_TRUE(sim.start());
    Outcome r = run({"download", "--port", std::to_string(sim.port()), "--request", "TABLES"});
    sim.stop();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("-- result 15: bytes received\n-- answer [0000TABLES 2612]\n"), std::string::npos) << r.out;

    Outcome none = run({"download", "--port", std::to_string(closed_loopback_port()), "--request", "X"});
    EXPECT_EQ(none.status, 1) << none.out;
}

TEST_F(ZposCommand, AckWithoutAnApprovalInTheProcessFails) {
    Outcome r = run({"ack"});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("-- result -5: the ACK was not sent (no open link)\n-- verdict: help desk: "),
              std::string::npos) << r.out;
    EXPECT_EQ(r.err, "zpos: Zelta_Ack confirms an approval of the same process: use send --ack, or ack after send "
                     "in a session\n");
}

// ---- decode ----

std::string blank_response(const char* kind) {
    std::string r(resp::kSize, ' ');
    r.replace(resp::rec_len.offset, 4, "0450");
    r.replace(resp::msg_type.offset, 4, "0210");
    r.replace(resp::tran_kind.offset, 2, kind);
    r.replace(resp::resp_code.offset, 4, "0000");
    return r;
}

// 정상승인 in CP949.
const std::string kApprovedCp949 = "\xC1\xA4\xBB\xF3\xBD\xC2\xC0\xCE";

struct ShownField {
    const char* name;
    Field field;
    std::string text;
};

struct DecodeCase {
    const char* name;
    std::string bytes;
    const char* first_line;
    std::vector<ShownField> fields;
};

class ZposDecode : public ZposCommand, public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(ZposDecode, ShowsEveryFieldAtItsOffset) {
    const DecodeCase& c = GetParam();
    write_bytes(app.file("record.dat"), c.bytes);
    Outcome r = run({"decode", app.file("record.dat")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), c.first_line);
    for (const ShownField& want : c.fields) {
        Shown got = shown(r.out, want.name);
        ASSERT_TRUE(got.found) << want.name << "\n" << r.out;
        EXPECT_EQ(got.offset, want.field.offset) << want.name;
        EXPECT_EQ(got.width, want.field.width) << want.name;
        EXPECT_EQ(got.text, want.text) << want.name;
    }
}

std::string card_request() { return std::string(sample_card_request("0200", "10").data(), req::kSize); }

std::string points_request() {
    Request r("0420", "40");
    r.set(req::pt_media, "01").set(req::pt_sub, "11").set(req::pt_amt, "000005000");
    return std::string(r.data(), req::kSize);
}

std::string card_response() {
    std::string r = blank_response("10");
    r.replace(resp::auth_no.offset, 8, "12345678");
    r.replace(resp::message.offset, kApprovedCp949.size(), kApprovedCp949);
    return r;
}

std::string points_response() {
    std::string r = blank_response("40");
    r.replace(resp::pt_auth_no.offset, 12, "000011112222");
    r.replace(resp::pt_message.offset, kApprovedCp949.size(), kApprovedCp949);
    return r;
}

std::string cheque_response() {
    std::string r = blank_response("20");
    r.replace(resp::chk_message.offset, 10, "VALID 2612");
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Records, ZposDecode,
    ::testing::Values(
        DecodeCase{"CardRequest", card_request(), "request record, 240 bytes",
                   {{"msg_type", req::msg_type, "0200"},
                    {"tran_kind", req::tran_kind, "10"},
                    {"term_id", req::term_id, "1200000001"},
                    {"entry_mode", req::entry_mode, "S"},
                    {"track2", req::track2, text_field("941012******9012********", 37)},
                    {"tran_amt", req::tran_amt, "000030000"}}},
        DecodeCase{"PointsRequest", points_request(), "request record, 240 bytes",
                   {{"msg_type", req::msg_type, "0420"},
                    {"pt_media", req::pt_media, "01"},
                    {"pt_sub", req::pt_sub, "11"},
                    {"pt_amt", req::pt_amt, "000005000"}}},
        DecodeCase{"CardResponse", card_response(), "response record, 450 bytes",
                   {{"rec_len", resp::rec_len, "0450"},
                    {"resp_code", resp::resp_code, "0000"},
                    {"auth_no", resp::auth_no, "12345678    "},
                    {"message", resp::message, text_field("정상승인", 40 + 4)}}},
        DecodeCase{"PointsResponse", points_response(), "response record, 450 bytes",
                   {{"pt_auth_no", resp::pt_auth_no, "000011112222"},
                    {"pt_message", resp::pt_message, text_field("정상승인", 40 + 4)}}},
        DecodeCase{"ChequeResponse", cheque_response(), "response record, 450 bytes",
                   {{"chk_message", resp::chk_message, text_field("VALID 2612", 34)}}}),
    RowName{});

TEST_F(ZposCommand, DecodeRefusesAFileOfAnyOtherSize) {
    write_bytes(app.file("short.dat"), std::string(100, ' '));
    Outcome r = run({"decode", app.file("short.dat")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("has 100 bytes"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    write_bytes(app.file("long.dat"), std::string(1000, ' '));
    r = run({"decode", app.file("long.dat")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("is longer"), std::string::npos) << r.err;

    r = run({"decode", app.file("missing.dat")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot read " + app.file("missing.dat")), std::string::npos) << r.err;
}

// ---- settings ----

TEST_F(ZposCommand, SettingsShowEveryKeyOfTheProgramsOwnDirectory) {
    Outcome r = run({"settings"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines_of(r.out)[0],
              "settings file " + app.settings_path() + " (not there yet: every key reads as empty)");
    for (const char* key : {"VANID", "TOGGLE_TIME", "EOT_CNT", "SignSetting", "GetComPort", "PIN", "VALUE", "CURDATE", "MASK"})
        EXPECT_EQ(setting_shown(r.out, key), "(not set)") << key;

    app.write_settings("[VANCFG]\nVANID=2\nTOGGLE_TIME=1733500000    \nEOT_CNT=1\n[SIGNPAD]\nVALUE=HCSX1\n");
    r = run({"settings"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines_of(r.out)[0], "settings file " + app.settings_path());
    EXPECT_EQ(setting_shown(r.out, "VANID"), "2");
    EXPECT_EQ(setting_shown(r.out, "TOGGLE_TIME"), "1733500000");
    EXPECT_NE(r.out.find("2024-12-06 15:46:40 UTC"), std::string::npos) << r.out;
    EXPECT_EQ(setting_shown(r.out, "EOT_CNT"), "1");
    EXPECT_EQ(setting_shown(r.out, "VALUE"), "HCSX1");
    // The library reads VALUE into five bytes.
    EXPECT_NE(r.out.find("the library reads only \"HCSX\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("route in use: 1 primary host, 2 backup route"), std::string::npos);
}

TEST_F(ZposCommand, SettingsEditsKeepEveryOtherLine) {
    AppDir other;
    other.write_settings(
        "; written by the installer\n"
        "[VANCFG]\n"
        "VANID=1\n"
        "EOT_CNT=0\n"
        "SERVER=primary\n"
        "\n"
        "[COM_PORT]\n"
        "SignSetting=YES\n");
    Outcome r = run({"settings", "--dir", other.path(), "--set", "EOT_CNT=2", "--set", "vancfg.vanid=2", "--set",
                 "TOGGLE_TIME=1733500000", "--set", "SIGNPAD.CURDATE=261206"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(other.read_settings(),
              "; written by the installer\n"
              "[VANCFG]\n"
              "VANID=2\n"
              "EOT_CNT=2\n"
              "SERVER=primary\n"
              "TOGGLE_TIME=1733500000    \n"
              "\n"
              "[COM_PORT]\n"
              "SignSetting=YES\n"
              "[SIGNPAD]\n"
              "CURDATE=261206\n");
    EXPECT_EQ(setting_shown(r.out, "EOT_CNT"), "2");
    EXPECT_EQ(setting_shown(r.out, "CURDATE"), "261206");
    EXPECT_FALSE(fs::exists(app.settings_path())) << "--dir must not touch the program's own directory";
}

struct RefusedEdit {
    const char* name;
    std::vector<std::string> assignments;
    const char* message;
};

class ZposSettingsRefused : public ZposCommand, public ::testing::WithParamInterface<RefusedEdit> {};

TEST_P(ZposSettingsRefused, NamesTheProblemAndWritesNothing) {
    const RefusedEdit& c = GetParam();
    const std::string before = "[VANCFG]\nVANID=1\nEOT_CNT=0\n";
    app.write_settings(before);
    std::vector<std::string> args{"settings"};
    for (const std::string& a : c.assignments) args.insert(args.end(), {"--set", a});
    Outcome r = run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, std::string("zpos: option --set: ") + c.message + "\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(app.read_settings(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, ZposSettingsRefused,
    ::testing::Values(
        RefusedEdit{"UnknownKey", {"FOO=1"},
                    "unknown key 'FOO' (keys: VANID, TOGGLE_TIME, EOT_CNT, SignSetting, GetComPort, PIN, VALUE, "
                    "CURDATE, MASK)"},
        RefusedEdit{"UnknownSection", {"BAR.VANID=1"}, "unknown section 'BAR' (sections: VANCFG, COM_PORT, SIGNPAD, LOG)"},
        RefusedEdit{"KeyOfAnotherSection", {"COM_PORT.VANID=1"},
                    "no key 'VANID' in section COM_PORT (keys: SignSetting, GetComPort, PIN)"},
        RefusedEdit{"NoValue", {"VANID"}, "KEY=VALUE or SECTION.KEY=VALUE expected, not 'VANID'"},
        RefusedEdit{"RouteOtherThanOneOrTwo", {"VANID=3"}, "VANID expects 1 or 2, not '3'"},
        RefusedEdit{"CountTheLibraryWouldCut", {"EOT_CNT=100"}, "EOT_CNT expects a whole number from 0 to 99, not '100'"},
        RefusedEdit{"TimeNotANumber", {"TOGGLE_TIME=soon"},
                    "TOGGLE_TIME expects seconds since 1970 (UTC) or 'now', not 'soon'"},
        RefusedEdit{"LowerCaseYes", {"PIN=yes"}, "PIN expects YES or NO, not 'yes'"},
        RefusedEdit{"ShortDate", {"CURDATE=2612"}, "CURDATE expects a date YYMMDD, not '2612'"},
        RefusedEdit{"ModelTooLong", {"VALUE=HCS-12"}, "VALUE expects up to 4 characters, not 'HCS-12'"},
        RefusedEdit{"OneBadOfSeveral", {"EOT_CNT=2", "VANID=9"}, "VANID expects 1 or 2, not '9'"}),
    RowName{});

// What `zpos settings` writes in its own directory (or the one ZPOS_APP_DIR
// names) is what the library reads when zpos calls it from there.
struct RouteCase {
    const char* name;
    std::vector<std::string> settings;
    std::size_t requests_seen;
    const char* van_id_after;
    std::vector<std::string> warning;  // parts of the one warning line, in order; none when empty
    bool app_dir_from_environment = false;
};

class ZposSettingsRoute : public ZposCommand, public ::testing::WithParamInterface<RouteCase> {};

TEST_P(ZposSettingsRoute, TheLibraryFollowsTheEditedRouteAndZposWarnsOfIt) {
    const RouteCase& c = GetParam();
    AppDir named;
    if (c.app_dir_from_environment) setenv("ZPOS_APP_DIR", (named.path() + "/").c_str(), 1);
    std::vector<std::string> edit{"settings"};
    for (const std::string& s : c.settings) edit.insert(edit.end(), {"--set", s});
    Outcome set = run(edit);
    ASSERT_EQ(set.status, 0) << set.err;
    host::HostSim sim(host::Scenario{});
    ASSERT_TRUE(sim.start());
    Outcome r = run({"send", "--host", "127.0.0.1", "--port", std::to_string(sim.port()), "--kind", "10"});
    sim.stop();
    EXPECT_EQ(sim.requests().size(), c.requests_seen) << r.out;
    EXPECT_EQ(setting_shown(run({"settings"}).out, "VANID"), c.van_id_after);
    unsetenv("ZPOS_APP_DIR");
    if (c.app_dir_from_environment) {
        EXPECT_EQ(named.setting("VANCFG", "VANID"), c.van_id_after);
        EXPECT_TRUE(fs::exists(named.log_path()));
        EXPECT_FALSE(fs::exists(app.file("Logs")) || fs::exists(app.settings_path()));
    }
    if (c.warning.empty()) {
        EXPECT_EQ(r.err, "");
        return;
    }
    std::size_t at = 0;
    for (const std::string& part : c.warning) {
        at = r.err.find(part, at);
        ASSERT_NE(at, std::string::npos) << part << "\n" << r.err;
    }
    EXPECT_EQ(r.err.rfind("zpos: warning: ", 0), 0u) << r.err;
    EXPECT_EQ(lines_of(r.err).size(), 1u) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Route, ZposSettingsRoute,
    ::testing::Values(
        // Backup route just taken: the card goes to the backup library (there
        // is none here, which sends the route back to the primary host).
        RouteCase{"BackupRouteInUse", {"VANID=2", "TOGGLE_TIME=now"}, 0, "1",
                  {"zpos: warning: VANID=2 in ", "/ZposSign.ini: the backup route is in force for ",
                   " s more (TOGGLE_TIME + 600 s), so this card goes to the backup library, not to the host; to send "
                   "it to the host: zpos settings --set VANID=1\n"}},
        // Switched long ago: the first transaction goes to the primary host.
        RouteCase{"BackupRouteExpired", {"VANID=2", "TOGGLE_TIME=1000"}, 1, "1", {}},
        // The same with the files in the directory ZPOS_APP_DIR names, and
        // none beside the program.
        RouteCase{"BackupRouteExpiredInZposAppDir", {"VANID=2", "TOGGLE_TIME=1000"}, 1, "1", {}, true},
        RouteCase{"FailuresCounted", {"EOT_CNT=2"}, 1, "(not set)",
                  {"zpos: warning: EOT_CNT=2 in ", "/ZposSign.ini: host failures in a row counted; the third switches "
                   "card approvals and cancellations to the backup route; to clear the count: zpos settings --set "
                   "EOT_CNT=0\n"}}),
    RowName{});

// ---- usage ----

struct BadUsage {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

class ZposBadUsage : public ZposCommand, public ::testing::WithParamInterface<BadUsage> {};

TEST_P(ZposBadUsage, NamesTheOptionAndExitsWithTwo) {
    const BadUsage& c = GetParam();
    Outcome r = run(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, std::string("zpos: ") + c.message + "\n");
    EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Options, ZposBadUsage,
    ::testing::Values(
        BadUsage{"UnknownCommand", {"refund"}, "unknown command refund (see zpos --help)"},
        BadUsage{"UnknownOption", {"ack", "--now"}, "unknown option --now for 'ack' (see zpos ack --help)"},
        BadUsage{"DemoOption", {"demo", "--fast"}, "unknown option --fast for 'demo' (see zpos demo --help)"},
        BadUsage{"SessionWithoutFile", {"session"}, "'session' needs a FILE (see zpos session --help)"},
        BadUsage{"LogMissing", {"log", "/nonexistent/AppLog.txt"}, "cannot read /nonexistent/AppLog.txt"},
        BadUsage{"InDoubtSinceNotADate", {"in-doubt", "--since", "261332"},
                 "option --since expects a date YYMMDD, not '261332'"},
        BadUsage{"InDoubtWithoutLogs", {"in-doubt", "--dir", "/nonexistent"}, "no daily logs to read in /nonexistent/Logs"},
        BadUsage{"LogDirAndFile", {"log", "--dir", "/tmp", "AppLog.txt"}, "'log' takes --dir or FILE, not both"},
        BadUsage{"MissingValue", {"send", "--host", "127.0.0.1", "--kind", "10", "--port"},
                 "option --port needs a value: N, a port number from 1 to 65535"},
        BadUsage{"PortNotANumber", {"send", "--host", "127.0.0.1", "--port", "x", "--kind", "10"},
                 "option --port expects a whole number from 1 to 65535, not 'x'"},
        BadUsage{"PortOutOfRange", {"points", "--host", "127.0.0.1", "--port", "70000"},
                 "option --port expects a whole number from 1 to 65535, not '70000'"},
        BadUsage{"PortWithASign", {"send", "--host", "127.0.0.1", "--port", "+80"},
                 "option --port expects a whole number from 1 to 65535, not '+80'"},
        BadUsage{"AmountWithLetters", {"send", "--host", "127.0.0.1", "--port", "1", "--kind", "10", "--amount", "12a"},
                 "option --amount expects a whole number from 0 to 999999999, not '12a'"},
        BadUsage{"KindTooLong", {"send", "--host", "127.0.0.1", "--port", "1", "--kind", "100"},
                 "option --kind expects a two-character transaction kind such as 10, not '100'"},
        // A longer value would be cut to another terminal or card.
        BadUsage{"TermIdTooLong", {"send", "--port", "1", "--term-id", "12345678901"},
                 "option --term-id takes at most 10 characters, not 11"},
        BadUsage{"TrackTooLong", {"points", "--port", "1", "--track", std::string(38, '9')},
                 "option --track takes at most 37 characters, not 38"},
        BadUsage{"PointsSub", {"points", "--host", "127.0.0.1", "--port", "1", "--sub", "07"},
                 "option --sub expects 01, 02, 03, 11 or 12, not '07'"},
        BadUsage{"OptionTwice", {"download", "--port", "1", "--port", "2"}, "option --port is given twice"},
        BadUsage{"MissingRequest", {"download", "--host", "127.0.0.1", "--port", "1"},
                 "option --request is required for 'download': TEXT, the request text (24 characters are sent)"},
        BadUsage{"StrayArgument", {"send", "now"}, "unexpected argument 'now' for 'send' (see zpos send --help)"},
        BadUsage{"DecodeWithoutFile", {"decode"}, "'decode' needs a FILE (see zpos decode --help)"},
        BadUsage{"DecodeTwoFiles", {"decode", "a", "b"}, "unexpected argument 'b' for 'decode' (see zpos decode --help)"},
        BadUsage{"SettingsDirMissing", {"settings", "--dir", "/nonexistent/zpos"},
                 "option --dir expects a directory, not '/nonexistent/zpos'"}),
    RowName{});

TEST_F(ZposCommand, EveryCommandHasHelp) {
    Outcome all = run({"--help"});
    EXPECT_EQ(all.status, 0);
    for (const char* command :
         {"demo", "send", "points", "ack", "download", "session", "log", "in-doubt", "decode", "settings"}) {
        EXPECT_NE(all.out.find(std::string("  zpos ") + command), std::string::npos) << command;
        Outcome one = run({command, "--help"});
        EXPECT_EQ(one.status, 0) << command;
        EXPECT_EQ(one.out.rfind(std::string("zpos ") + command, 0), 0u) << one.out;
        EXPECT_EQ(one.err, "") << command;
    }
    Outcome none = run({});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.out, all.out);
    for (const char* fallback : {"--host 127.0.0.1", "--port 10902", "--track 9410123456789012=2812101",
                                 "--amount 1004", "--term-id 1200000001"})
        EXPECT_NE(run({"send", "--help"}).out.find(fallback), std::string::npos) << fallback;
}


// ---- in-doubt ----

// Bytes as the library's log writer renders them.
std::string logged(const std::string& bytes) {
    std::string out;
    for (unsigned char b : bytes) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "[%02x]", b);
        out += b >= 0x20 && b <= 0x7E ? std::string(1, static_cast<char>(b)) : hex;
    }
    return out;
}

// Records as the library logs them: the card track hidden around its '='.
const std::string kCardRequest = [] {
    Request r = sample_card_request("0200", "10");
    r.set(req::pos_echo, "till7-0042").set(req::track2, "941012345678*********101");
    return std::string(r.data(), req::kSize);
}();
const std::string kPointsRequest = [] {
    Request r = sample_points_request("01");
    r.set(req::pos_echo, "till7-0043");
    return std::string(r.data(), req::kSize);
}();

std::string approval(const char* kind) {
    std::string r = blank_response(kind);
    if (std::string(kind) == "40") {
        r.replace(resp::pos_echo.offset, 10, "till7-0043");
        r.replace(resp::pt_auth_no.offset, 12, "000011112222");
        r.replace(resp::pt_company_code.offset, 2, "77");
        r.replace(resp::pt_company_name.offset, 8, "OKPOINTS");
        return r;
    }
    r.replace(resp::pos_echo.offset, 10, "till7-0042");
    r.replace(resp::auth_no.offset, 8, "12345678");
    r.replace(resp::issuer_code.offset, 2, "01");
    r.replace(resp::issuer_name.offset, 7, "KOOKMIN");
    return r;
}

// A log line of an in-doubt case: these stand for records, anything else is
// a text line as the library writes it.
const std::map<std::string, std::string> kRecordLines = {
    {"card request", logged(kCardRequest)},
    {"points request", logged(kPointsRequest)},
    {"card approval", logged(approval("10"))},
    {"points approval", logged(approval("40"))},
    {"decline", logged([] {
         std::string r = blank_response("10");
         return r.replace(resp::resp_code.offset, 4, "8324");
     }())},
};

// What in-doubt prints for the approval of kCardRequest or kPointsRequest.
std::string card_in_doubt(const std::string& when, const std::string& why) {
    return when + "  0200/10  amount 30000  card 941012******************  auth_no 12345678  issuer 01 KOOKMIN  "
                  "pos_echo [till7-0042]\n  " + why + "\n";
}
std::string points_in_doubt(const std::string& when, const std::string& why) {
    return when + "  0200/40  amount 5000  card 940000******7890*****  auth_no 000011112222  issuer 77 OKPOINTS  "
                  "pos_echo [till7-0043]\n  " + why + "\n";
}

constexpr char kEotOk[] = "EOT RECV [04] OK   count[1] Len[  3] ";
constexpr char kNoZeltaAck[] = "in doubt: no Zelta_Ack logged after it";

struct InDoubtCase {
    const char* name;
    std::vector<std::pair<std::string, std::vector<std::string>>> days;  // YYMMDD, lines from 23:59:50 on
    std::string listed;  // the approvals shown
    int closed, in_doubt, backup;
};

class ZposInDoubt : public ZposCommand, public ::testing::WithParamInterface<InDoubtCase> {};

TEST_P(ZposInDoubt, ListsEveryApprovalWithNoCloseAfterIt) {
    const InDoubtCase& c = GetParam();
    fs::create_directories(app.file("Logs"));
    for (const auto& [date, lines] : c.days) {
        std::ofstream log(app.file("Logs/AppLog." + date + ".txt"), std::ios::binary);
        int second = 50;
        for (const std::string& line : lines) {
            char time[16];
            std::snprintf(time, sizeof time, "23:59:%02d", second++ % 60);
            log << "[" << time << "] - " << (kRecordLines.count(line) ? kRecordLines.at(line) : line) << "\n";
        }
    }
    Outcome r = run({"in-doubt", "--since", c.days[0].first});
    EXPECT_EQ(r.status, c.in_doubt ? 1 : 0) << r.err;
    int all = c.closed + c.in_doubt + c.backup;
    EXPECT_EQ(r.out, "approvals in " + app.file("Logs") + " from " + c.days[0].first + " on (" +
                         std::to_string(c.days.size()) + (c.days.size() == 1 ? " daily log)\n" : " daily logs)\n") +
                         c.listed + std::to_string(all) + (all == 1 ? " approval: " : " approvals: ") +
                         std::to_string(c.closed) + " closed, " + std::to_string(c.in_doubt) + " in doubt, " +
                         std::to_string(c.backup) + " on the backup route (not verifiable)\n");
}

INSTANTIATE_TEST_SUITE_P(
    CloseRules, ZposInDoubt,
    ::testing::Values(
        // The automatic acknowledgement's EOT closes a decline, never an approval.
        InDoubtCase{"AutomaticAcknowledgementsEotDoesNotClose",
                    {{"261130", {"card request", "card approval", "AUTO ACK SEND",
                                 "AUTO ACK EOT RECV [04] OK   count[1] Len[  3] "}}},
                    card_in_doubt("261130 23:59:51", kNoZeltaAck),
                    0, 1, 0},
        InDoubtCase{"ManagementAnswerCloses",
                    {{"261130", {"card request", "card approval", "ACK SEND", "EOT recv time out",
                                 "Connect info2 IP[127.0.0.1], port[10902]", "rtn[3] ENQ_RECV[05]", "MANG ACK SEND"}}},
                    "", 1, 0, 0},
        InDoubtCase{"ManagementMessageNotThrough",
                    {{"261130", {"card request", "card approval", "ACK SEND", "EOT recv time out",
                                 "ENQ read TimeOut err", "MANG req send err"}}},
                    card_in_doubt("261130 23:59:51",
                                  "in doubt: \"MANG req send err\": the management message did not get through"),
                    0, 1, 0},
        // A close is the last approval's: the points approval before it was
        // never acknowledged; a decline is no approval.
        InDoubtCase{"CloseBelongsToTheLastApproval",
                    {{"261130", {"points request", "points approval", "card request", "card approval", "ACK SEND",
                                 kEotOk, "card request", "resp_code[8324]", "decline"}}},
                    points_in_doubt("261130 23:59:51",
                                    "in doubt: the next transaction began with no Zelta_Ack logged"),
                    1, 1, 0},
        // A sale just before midnight is closed in the next day's log.
        InDoubtCase{"ClosedAfterMidnight",
                    {{"261130", {"card request", "card approval"}}, {"261201", {"ACK SEND", kEotOk}}},
                    "", 1, 0, 0},
        // ... but not in a log days later.
        InDoubtCase{"NotClosedByALaterDay",
                    {{"261130", {"card request", "card approval"}}, {"261202", {"ACK SEND", kEotOk}}},
                    card_in_doubt("261130 23:59:51", kNoZeltaAck),
                    0, 1, 0},
        InDoubtCase{"BackupRouteNotVerifiable",
                    {{"261130", {"card request", "BACK UP DLL Return OK", "card approval"}}},
                    card_in_doubt("261130 23:59:52", "backup route, not verifiable"),
                    0, 0, 1}),
    RowName{});

// A POS killed after an approval, before its Zelta_Ack or while it waits for
// the EOT: in-doubt lists the approval from the log that process left.
struct KilledPos {
    const char* name;
    host::Fault fault;
    const char* session;
    const char* killed_at;  // the POS is killed once its output holds this; nullptr: it runs to its end
    const char* why;        // nullptr: nothing in doubt
};

class ZposInDoubtAfterAKill : public ZposCommand, public ::testing::WithParamInterface<KilledPos> {};

TEST_P(ZposInDoubtAfterAKill, FindsWhatTheHostNeverHeardAbout) {
    const KilledPos& c = GetParam();
    host::Scenario scenario;
    scenario.faults = {c.fault};
    host::HostSim sim(scenario);
    ASSERT_TRUE(sim.start());
    std::ofstream(app.file("sale.session")) << c.session;
    Process pos(command({"session", app.file("sale.session"), "--port", std::to_string(sim.port())}), app.path(),
                env());
    if (c.killed_at) {
        ASSERT_TRUE(pos.wait_for_output(c.killed_at, 30000)) << pos.out();
        pos.signal(SIGKILL);
    }
    Outcome ended = pos.finish();
    sim.stop();
    ASSERT_EQ(ended.status, c.killed_at ? -1 : 0) << ended.out;

    Outcome r = run({"in-doubt"});
    std::cout << r.out;
    EXPECT_EQ(r.status, c.why ? 1 : 0) << r.out << r.err;
    std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), c.why ? 4u : 2u) << r.out;
    if (!c.why) return;
    EXPECT_NE(lines[1].find("  0200/10  amount 30000  card 941012******************  auth_no 12345678  "),
              std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("  pos_echo [sale-0001]"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], std::string("  ") + c.why);
}

INSTANTIATE_TEST_SUITE_P(
    Kills, ZposInDoubtAfterAKill,
    ::testing::Values(KilledPos{"BeforeZeltaAck", host::Fault::None, "send --amount 30000 --pos-echo sale-0001\nwait 30\nack\n",
                                "== wait 30000 ms\n", kNoZeltaAck},
                      KilledPos{"WaitingForTheEot", host::Fault::NoEot, "send --amount 30000 --pos-echo sale-0001\nack\n",
                                "ACK SEND\n",
                                "in doubt: \"ACK SEND\", then neither EOT nor a management answer logged"},
                      KilledPos{"NotKilled", host::Fault::None, "send --amount 30000\nack\n", nullptr, nullptr}),
    RowName{});

// A time-out is logged with its resp_code, and no automatic acknowledgement
// follows it: zpos log must not say one does.
TEST_F(ZposCommand, LogDoesNotPromiseAnAcknowledgementAfterATimeOut) {
    std::string response = blank_response("10");
    response.replace(resp::resp_code.offset, 4, "Time");
    std::ofstream(app.file("AppLog.261130.txt"), std::ios::binary)
        << "[10:00:00] - " << kRecordLines.at("card request") << "\n[10:00:01] - rtn[3] ENQ_RECV[05]\n"
        << "[10:00:41] - reply data time out\n[10:00:41] - resp_code[Time]\n[10:00:41] - " << logged(response)
        << "\n";
    Outcome r = run({"log", app.file("AppLog.261130.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    std::size_t at = r.out.find("10:00:41  +41 s  resp_code[Time]\n");
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_EQ(lines_of(r.out.substr(at))[1],
              std::string(18, ' ') + "the response code when it is not 0000: after a reply from the host on the "
                                     "primary route the automatic acknowledgement follows; after Time (no reply) or "
                                     "COMM (no connection) nothing does");
}

TEST_F(ZposCommand, InDoubtLeavesAnAgentsFolderToTheAgent) {
    std::ofstream(app.file("journal.sqlite3")) << "";
    Outcome r = run({"in-doubt", "--dir", app.path()});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "zpos: " + app.path() + " holds an agent's journal (journal.sqlite3): the agent confirms its "
                     "own sales and keeps those in doubt; ask the agent's inbox instead\n");
}


// ---- the application directory ----

// The first line on standard error names the folder the library uses; an
// installed zpos (here: bind-mounted onto /usr/src in a user and mount
// namespace, as root, where nothing stopped it writing /usr/bin/Logs) keeps
// the library's files in the user's state folder instead.
struct AppDirCase {
    const char* name;
    bool installed;
    std::vector<std::string> env;  // "<home>" and "<file>" stand for folders of the test
    std::string dir;               // the same stand-ins, and "<app>" for zpos's own folder
    std::string why;
    std::string warning;  // the second line; empty for none
};

class ZposAppDir : public ZposCommand, public ::testing::WithParamInterface<AppDirCase> {};

TEST_P(ZposAppDir, NamesTheFolderAndTheLibraryWritesThere) {
    const AppDirCase& c = GetParam();
    AppDir home;
    std::ofstream(home.file("file")) << "";
    auto fill = [&](std::string text) {
        for (auto [from, to] : {std::pair<std::string, std::string>{"<home>", home.path()},
                                {"<file>", home.file("file")}, {"<app>", app.path()}})
            for (std::size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), to);
        return text;
    };
    std::map<std::string, std::string> vars{{"HOME", home.path()}, {"XDG_STATE_HOME", ""}, {"ZPOS_APP_DIR", ""}};
    for (const std::string& e : c.env) vars[e.substr(0, e.find('='))] = fill(e.substr(e.find('=') + 1));
    std::vector<std::string> env;
    for (const auto& [name, value] : vars) env.push_back(name + "=" + value);
    host::HostSim sim(host::Scenario{});
    ASSERT_TRUE(sim.start());
    std::vector<std::string> send{"send", "--port", std::to_string(sim.port())};
    Outcome r;
    if (c.installed) {
        if (!fs::is_directory("/usr/src") || run_process({"unshare", "-rm", "true"}, app.path()).status != 0)
            GTEST_SKIP() << "no user and mount namespaces here (unshare -rm)";
        std::vector<std::string> argv{"unshare", "-rm", "sh", "-c", "mount --bind \"$0\" /usr/src && exec /usr/src/zpos \"$@\"",
                                      app.path()};
        argv.insert(argv.end(), send.begin(), send.end());
        for (const std::string& e : this->env()) env.push_back(e);
        r = run_process(argv, home.path(), env);
    } else {
        r = run_naming_app_dir(send, env);
    }
    sim.stop();
    std::string dir = fill(c.dir);
    std::string expected = kAppDirLine + dir + " (" + fill(c.why) + ")\n";
    if (!c.warning.empty())
        expected += "zpos: warning: the application directory " + dir + " " + c.warning +
                    ": the library's log and its route state (ZposSign.ini) are lost; set ZPOS_APP_DIR to a folder of "
                    "your own\n";
    EXPECT_EQ(r.err, expected);
    EXPECT_EQ(sim.requests().size(), 1u) << r.out;
    if (!c.warning.empty()) return;
    EXPECT_TRUE(fs::exists(dir + "/Logs")) << r.out;
    EXPECT_EQ(fs::exists(app.file("Logs")), dir == app.path());
}

INSTANTIATE_TEST_SUITE_P(
    Folders, ZposAppDir,
    ::testing::Values(
        AppDirCase{"ItsOwn", false, {}, "<app>", "this program's directory", ""},
        AppDirCase{"Named", false, {"ZPOS_APP_DIR=<home>/"}, "<home>", "ZPOS_APP_DIR", ""},
        AppDirCase{"NamedNotAFolder", false, {"ZPOS_APP_DIR=<file>"}, "<file>", "ZPOS_APP_DIR", "is not a directory"},
        AppDirCase{"InstalledUsesTheStateFolder", true, {}, "<home>/.local/state/zposapp",
                   "zpos lies in the system folder /usr/src; ZPOS_APP_DIR names another", ""},
        AppDirCase{"InstalledUsesXdgStateHome", true, {"XDG_STATE_HOME=<home>/state"}, "<home>/state/zposapp",
                   "zpos lies in the system folder /usr/src; ZPOS_APP_DIR names another", ""},
        AppDirCase{"InstalledWithZposAppDir", true, {"ZPOS_APP_DIR=<home>"}, "<home>", "ZPOS_APP_DIR", ""}),
    RowName{});

}  // namespace
}  // namespace zpos::test
