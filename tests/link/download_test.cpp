// The download against the simulator; failures are fault matrix rows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "entry/call.h"
#include "link/download.h"
#include "support/log_lines.h"
#include "tests/common/print.h"
#include "tests/link/link_fixture.h"

namespace zpos::test {
namespace {

struct Case {
    const char* name;
    const char* server;
    const char* request;
    std::string answer;  // the server's
    int bytes;           // read, every one counted
    std::string copied;  // the answer buffer up to the first byte left alone
    const char* sent;    // what the server received
    std::vector<std::string> log;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Download : public LinkTest, public ::testing::WithParamInterface<Case> {};

TEST_P(Download, SendsCutsCopiesAndLogs) {
    const Case& c = GetParam();
    host::Scenario scenario;
    scenario.service = host::Scenario::Service::Download;
    scenario.download_answer = c.answer;
    host::HostSim& sim = start_host(scenario);
    char answer[1025];
    std::memset(answer, 'Z', sizeof answer);
    DownloadOutcome got = download(g_module.call, c.server, sim.port(), c.request, answer);
    EXPECT_EQ(got.result, DownloadResult::received);
    EXPECT_EQ(got.bytes, c.bytes);
    EXPECT_EQ(std::string(answer, c.copied.size() + 1), c.copied + 'Z');
    EXPECT_EQ(app_->log_lines(), c.log);
    sim.stop();
    ASSERT_FALSE(sim.frames().empty());
    EXPECT_EQ(sim.frames()[0].bytes, c.sent);
}

// Any answer comes back whole; other than "0000" its tail is logged.
INSTANTIATE_TEST_SUITE_P(
    Answers, Download,
    ::testing::Values(
        Case{"Approved", "127.0.0.1", "REQ1", "0000DOWNLOAD OK", 15, std::string("0000DOWNLOAD OK", 16), "REQ1",
             {log_lines::kDownloadOk}},
        // The address's first fifteen characters are "127.0.0.1" and blanks.
        Case{"RequestCutAt24ServerAt15", "127.0.0.1      9", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "0000", 4,
             std::string("0000", 5), "ABCDEFGHIJKLMNOPQRSTUVWX", {log_lines::kDownloadOk}},
        Case{"OtherAnswerLogsItsTail", "127.0.0.1", "REQ", "9999NO SUCH FILE", 16,
             std::string("9999NO SUCH FILE", 17), "REQ", {"NO SUCH FILE"}},
        Case{"BareCodeLogsNothing", "127.0.0.1", "REQ", "9999", 4, std::string("9999", 5), "REQ", {}},
        Case{"ShortAnswer", "127.0.0.1", "REQ", "99", 2, std::string("99", 3), "REQ", {}},
        Case{"StopsAtNulButCountsEveryByte", "127.0.0.1", "REQ", std::string("0000AB\0CD", 9), 9,
             std::string("0000AB", 7), "REQ", {log_lines::kDownloadOk}},
        Case{"FormattingCharactersPassUnchanged", "127.0.0.1", "REQ", "0000 100%s %d", 13,
             std::string("0000 100%s %d", 14), "REQ", {log_lines::kDownloadOk}}),
    RowName{});

// The server is taken in dotted form only: a name is not looked up.
TEST_F(LinkTest, DownloadServerNamedIsNotLookedUp) {
    host::Scenario scenario;
    scenario.service = host::Scenario::Service::Download;
    host::HostSim& sim = start_host(scenario);
    char answer[1025];
    DownloadOutcome got = download(g_module.call, "localhost", sim.port(), "REQ", answer);
    EXPECT_EQ(got.result, DownloadResult::no_connection);
    EXPECT_EQ(got.bytes, 0);
    EXPECT_TRUE(app_->logged("CONNECT ERR"));
}

}  // namespace
}  // namespace zpos::test
