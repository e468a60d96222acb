// The download against the simulator's download service: cuts, answer copy,
// result counts and log lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "entry/call.h"
#include "link/download.h"
#include "support/korean_texts.h"
#include "support/log_lines.h"
#include "tests/common/sockets.h"
#include "tests/link/link_fixture.h"

namespace zpos::test {
namespace {

class Download : public LinkTest {
protected:
    host::HostSim& serve(const std::string& answer) {
        host::Scenario scenario;
        scenario.service = host::Scenario::Service::Download;
        scenario.download_answer = answer;
        return start_host(scenario);
    }
    char answer_[1025];
};

TEST_F(Download, ApprovedAnswerIsCopiedAndCounted) {
    host::HostSim& sim = serve("0000DOWNLOAD OK");
    std::memset(answer_, 'Z', sizeof answer_);
    EXPECT_EQ(static_cast<int>(download(g_call, "127.0.0.1", sim.port(), "REQ1", answer_)), 15);
    EXPECT_STREQ(answer_, "0000DOWNLOAD OK");
    EXPECT_TRUE(log_has(log_lines::kDownloadOk));
    sim.stop();
    EXPECT_EQ(sim.frames()[0].bytes, "REQ1");
}

TEST_F(Download, RequestIsCutAt24AndServerAt15) {
    host::HostSim& sim = serve("0000");
    // Fifteen characters of the address are "127.0.0.1" and six blanks; the
    // seventeenth would make it unusable.
    EXPECT_EQ(static_cast<int>(download(g_call, "127.0.0.1      9", sim.port(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ", answer_)), 4);
    sim.stop();
    EXPECT_EQ(sim.frames()[0].bytes, "ABCDEFGHIJKLMNOPQRSTUVWX");
}

// An answer other than "0000..." comes back whole; the log shows only what
// follows its first four characters, and nothing at all when that is empty.
TEST_F(Download, OtherAnswerIsReturnedAndItsTailLogged) {
    struct Case {
        const char* answer;
        std::vector<std::string> log;
    };
    const Case cases[] = {{"9999NO SUCH FILE", {"NO SUCH FILE"}}, {"9999", {}}, {"99", {}}};
    for (const Case& c : cases) {
        host::HostSim& sim = serve(c.answer);
        EXPECT_EQ(static_cast<int>(download(g_call, "127.0.0.1", sim.port(), "REQ", answer_)), static_cast<int>(std::strlen(c.answer)));
        EXPECT_STREQ(answer_, c.answer);
        EXPECT_EQ(app_->log_lines(), c.log) << c.answer;
        sim.stop();
        std::remove(app_->log_path().c_str());
    }
}

TEST_F(Download, AnswerStopsAtNulButTheCountDoesNot) {
    host::HostSim& sim = serve(std::string("0000AB\0CD", 9));
    std::memset(answer_, 'Z', sizeof answer_);
    EXPECT_EQ(static_cast<int>(download(g_call, "127.0.0.1", sim.port(), "REQ", answer_)), 9);
    EXPECT_EQ(std::string(answer_, 7), std::string("0000AB\0", 7));
    EXPECT_EQ(answer_[7], 'Z');  // nothing written past the NUL
}

TEST_F(Download, FormattingCharactersPassUnchanged) {
    host::HostSim& sim = serve("0000 100%s %d");
    EXPECT_EQ(static_cast<int>(download(g_call, "127.0.0.1", sim.port(), "REQ", answer_)), 13);
    EXPECT_STREQ(answer_, "0000 100%s %d");
}

TEST_F(Download, NoServerGivesMinusFive) {
    int port = closed_loopback_port();
    EXPECT_EQ(static_cast<int>(download(g_call, "127.0.0.1", port, "REQ", answer_)), -5);
    EXPECT_TRUE(log_has("CONNECT ERR"));
    EXPECT_EQ(static_cast<int>(download(g_call, "localhost", port, "REQ", answer_)), -5);  // dotted form only
}

TEST_F(Download, EmptyRequestIsNotSent) {
    host::HostSim& sim = serve("0000");
    EXPECT_EQ(static_cast<int>(download(g_call, "127.0.0.1", sim.port(), "", answer_)), -4);
    EXPECT_TRUE(log_has("SEND ERR"));
}

TEST_F(Download, SilentServerTimesOut) {
    host::Scenario scenario;
    scenario.faults = {host::Fault::NoEnq};  // a link host that never speaks
    host::HostSim& sim = start_host(scenario);
    std::memset(answer_, 'Z', sizeof answer_);
    EXPECT_EQ(static_cast<int>(download(g_call, "127.0.0.1", sim.port(), "REQ", answer_)), -1);
    EXPECT_TRUE(log_has("timeout socket"));
    EXPECT_EQ(answer_[0], 'Z');
}

}  // namespace
}  // namespace zpos::test
