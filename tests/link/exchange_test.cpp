// The host exchange and its connection step against the simulator; host
// failures are rows of tests/entry/fault_matrix_test.cpp.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "entry/call.h"
#include "link/acknowledge.h"
#include "link/connection.h"
#include "link/exchange.h"
#include "platform/socket.h"
#include "support/log_lines.h"
#include "support/route.h"
#include "tests/common/process.h"
#include "tests/link/link_fixture.h"

namespace zpos::test {
namespace {

using host::Fault;

std::string fmt(const char* format, const char* a, int b) {
    char line[200];
    std::snprintf(line, sizeof line, format, a, b);
    return line;
}

// A body trickling in, each byte inside the wait, has one wait in all.
TEST_F(LinkTest, TricklingBodyIsBoundedAsAWhole) {
    host::Scenario scenario;
    scenario.faults = {Fault::TrickleBody};
    scenario.frame_gap_ms = 30;  // 50 bytes take 1.5 s; the wait is 150 ms
    start_host(scenario);
    EXPECT_EQ(exchange(), -1);
    std::vector<std::string> lines = app_->log_lines();
    ASSERT_FALSE(lines.empty());
    int body = -1, announced = -1;
    EXPECT_EQ(std::sscanf(lines.back().c_str(), "recv err2 body_rtn[%d], rply_rtn[%d]", &body, &announced), 2)
        << lines.back();
    EXPECT_LT(body, 50);
    EXPECT_EQ(announced, 50);
    EXPECT_FALSE(timed_out_);
}

// A reply later than the wait is still taken after the NAK it drew.
TEST_F(LinkTest, LateReplyIsTakenAfterItsNak) {
    host::Scenario scenario;
    scenario.reply_delays_ms = {250};  // the link waits 150 ms here
    host::HostSim& sim = start_host(scenario);
    EXPECT_EQ(exchange(), 1);
    sim.stop();
    EXPECT_GE(sim.naks_seen(), 1);
}

TEST_F(LinkTest, SecurityBlockTravelsAfterTheMessage) {
    host::HostSim& sim = start_host(host::Scenario{});
    std::string msg = sample_transaction_message();
    ASSERT_EQ(host_exchange(g_module, msg.data(), "SECBLOCK", 8, static_cast<int>(msg.size())).result, ExchangeResult::replied);
    sim.stop();
    ASSERT_EQ(sim.requests().size(), 1u);
    EXPECT_EQ(sim.requests()[0].block, "SECBLOCK");
    EXPECT_TRUE(sim.requests()[0].check_ok);
}

TEST_F(LinkTest, OversizeRequestIsNotSent) {
    host::HostSim& sim = start_host(host::Scenario{});
    static char big[3497];
    EXPECT_EQ(host_exchange(g_module, big, "", 0, 3497).result, ExchangeResult::no_enq);
    sim.stop();
    EXPECT_TRUE(app_->logged(log_lines::kSendError));
    EXPECT_TRUE(sim.requests().empty());
}

// A POS with many files open: the link socket lies beyond select()'s range.
TEST_F(LinkTest, LinkSocketNumberedBeyondFdSetSize) {
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_cur < FD_SETSIZE + 64) {
        limit.rlim_cur = std::min<rlim_t>(FD_SETSIZE + 64, limit.rlim_max);
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    if (limit.rlim_cur < FD_SETSIZE + 64) GTEST_SKIP() << "no room for " << FD_SETSIZE + 64 << " descriptors";
    std::vector<int> held;
    for (int fd = dup(0); fd >= 0 && fd < FD_SETSIZE + 8; fd = dup(0)) held.push_back(fd);
    start_host(host::Scenario{});
    EXPECT_EQ(exchange(), 1);
    EXPECT_GE(g_module.link.socket, FD_SETSIZE);
    EXPECT_EQ(acknowledge(g_module), AckResult::closed);
    for (int fd : held) close(fd);
}

// A second module's exchange, acknowledgement and route switch leave the entry's alone.
TEST_F(LinkTest, StateStaysInTheModuleGiven) {
    start_host(host::Scenario{});
    auto other = std::make_unique<Module>();  // its buffers are too big for a test's stack
    other->call = g_module.call;
    std::string msg = sample_transaction_message();
    HostReply reply = host_exchange(*other, msg.data(), "", 0, static_cast<int>(msg.size()));
    ASSERT_EQ(reply.result, ExchangeResult::replied);
    EXPECT_EQ(reply.body.data(), reinterpret_cast<const char*>(other->link.reply));
    EXPECT_NE(other->link.socket, platform::kNoSocket);
    EXPECT_EQ(g_module.link.socket, platform::kNoSocket);
    EXPECT_EQ(acknowledge(*other), AckResult::closed);
    EXPECT_EQ(other->link.socket, platform::kNoSocket);

    for (int i = 0; i < 3; ++i) failure_count_step(*other);
    EXPECT_EQ(other->route, RouteMode::backup);
    EXPECT_EQ(g_module.route, RouteMode::primary);
}

// A receipt printer started before Zelta_Ack inherits no link socket.
TEST_F(LinkTest, ChildProcessesInheritNoLinkSocket) {
    start_host(host::Scenario{});
    ASSERT_EQ(exchange(), 1);
    EXPECT_NE(fcntl(g_module.link.socket, F_GETFD) & FD_CLOEXEC, 0);
}

// Signals interrupting the waits leave them to go on for the time left.
void on_alarm(int) {}

TEST_F(LinkTest, SignalsDuringTheWaitsDoNotEndThem) {
    host::Scenario scenario;
    scenario.faults = {Fault::EotInFifth};
    scenario.frame_gap_ms = 40;  // four 40 ms waits for the EOT, each interrupted
    start_host(scenario);
    struct sigaction action {};
    action.sa_handler = on_alarm;  // without SA_RESTART
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(sigaction(SIGALRM, &action, nullptr), 0);
    itimerval every_5ms{{0, 5000}, {0, 5000}}, stop{};
    setitimer(ITIMER_REAL, &every_5ms, nullptr);
    int exchanged = exchange();
    AckResult acknowledged = acknowledge(g_module);
    // The no-op handler stays for alarms still queued (valgrind holds them).
    setitimer(ITIMER_REAL, &stop, nullptr);
    EXPECT_EQ(exchanged, 1);
    EXPECT_EQ(acknowledged, AckResult::closed);
    EXPECT_TRUE(app_->logged("EOT RECV [04] OK   count[5] Len[  3] "));
}

// The blocking attempt connects to a name's inet_addr value, all ones, and
// logs that connect's error (101), not the refusal the first attempt met.
TEST_F(LinkTest, NoListenerLogsBothAttempts) {
    for (auto [address, error] : {std::pair{"127.0.0.1", 111}, std::pair{"localhost", 101}}) {
        std::remove(app_->log_path().c_str());
        const int port = g_module.call.host_port = closed_loopback_port();
        std::snprintf(g_module.call.host_addr, sizeof g_module.call.host_addr, "%s", address);
        EXPECT_EQ(exchange(), -6);
        std::string refused = fmt("socket connect err IP[%.100s],Port[%d]", address, port) + "[" +
                              std::to_string(error) + "]";
        EXPECT_EQ(app_->log_lines(), (std::vector<std::string>{fmt("Connect info2 IP[%.100s], port[%d]", address, port),
                                                               "rtn[-1]", fmt(log_lines::kNonblockFailed, address, port),
                                                               refused}));
    }
}

TEST_F(LinkTest, FirstAttemptConnectsToAnAddressOrAName) {
    start_host(host::Scenario{});
    for (const char* address : {"127.0.0.1", "localhost"}) {
        std::remove(app_->log_path().c_str());
        std::snprintf(g_module.call.host_addr, sizeof g_module.call.host_addr, "%s", address);
        EXPECT_EQ(exchange(), 1);
        EXPECT_TRUE(app_->logged("rtn[0]"));
        EXPECT_TRUE(app_->logged(fmt(log_lines::kNonblockConnected, address, g_module.call.host_port)));
        EXPECT_FALSE(app_->logged(fmt("Connect info IP[%.100s], port[%d]", address, g_module.call.host_port)));
    }
}

TEST_F(LinkTest, SlowHostIsReachedByTheBlockingAttempt) {
    host::Scenario scenario;
    scenario.faults = {Fault::SlowAccept};
    scenario.accept_delay_ms = 400;
    start_host(scenario);
    EXPECT_EQ(exchange(), 1);
    EXPECT_TRUE(app_->logged(fmt(log_lines::kNonblockFailed, "127.0.0.1", g_module.call.host_port)));
    EXPECT_TRUE(app_->logged(fmt(log_lines::kBlockingConnected, "127.0.0.1", g_module.call.host_port)));
}

// SYNs the network namespace has sent again for want of an answer.
long syn_retransmits() {
    std::ifstream in("/proc/net/netstat");
    std::string names, values;
    while (std::getline(in, names) && std::getline(in, values)) {
        if (names.rfind("TcpExt:", 0) != 0) continue;
        std::istringstream n(names), v(values);
        for (std::string name, value; n >> name && v >> value;)
            if (name == "TCPSynRetrans") return std::atol(value.c_str());
    }
    return -1;
}

// The kernel's linear SYN retries on top of the socket's (0 when unknown).
long linear_syn_retries() {
    std::ifstream in("/proc/sys/net/ipv4/tcp_syn_linear_timeouts");
    long n = 0;
    return in >> n ? n : 0;
}

// A silent host, routed into loopback in a namespace of the test's own: the
// blocking attempt ends with 110 after three SYN retries, not two minutes.
TEST_F(LinkTest, SilentHostEndsTheBlockingAttemptAfterThreeSynRetries) {
    constexpr char kSilentHost[] = "198.51.100.7";
    if (!std::getenv("ZPOS_TEST_IN_NETNS")) {
        if (std::system("unshare -rn ip route add blackhole 198.51.100.0/24 >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "no network namespace can be made here (unshare -rn and ip are needed)";
        const std::string setup = std::string("ip link set lo up && ip route add ") + kSilentHost +
                                  "/32 dev lo && exec \"$0\" --gtest_filter=LinkTest.SilentHost*";
        Outcome done = run_process({"env", "ZPOS_TEST_IN_NETNS=1", "unshare", "-rn", "sh", "-c", setup,
                                    std::filesystem::read_symlink("/proc/self/exe")}, app_->path(), 60000);
        EXPECT_EQ(done.status, 0) << done.out << done.err;
        return;
    }
    std::snprintf(g_module.call.host_addr, sizeof g_module.call.host_addr, "%s", kSilentHost);
    g_module.call.host_port = 10902;
    long sent_again = syn_retransmits();
    EXPECT_EQ(exchange(), -6);
    EXPECT_EQ(syn_retransmits() - sent_again, 3 + linear_syn_retries());
    EXPECT_TRUE(app_->logged(fmt("socket connect err IP[%.100s],Port[%d][110]", kSilentHost, 10902)))
        << app_->log_lines().back();
}

TEST_F(LinkTest, SecondaryAddressIsReplacedByThePrimary) {
    struct Case {
        const char* given;
        bool replaced;
    } cases[] = {{"127.100.100.10", true}, {"127.100.100.101", true}, {"127.100.100.1", false}};
    for (const auto& c : cases) {
        std::snprintf(g_module.call.host_addr, sizeof g_module.call.host_addr, "%s", c.given);
        g_module.call.host_port = closed_loopback_port();
        int given_port = g_module.call.host_port;
        static_cast<void>(connect_link(g_module));  // the address it used is what counts
        close_link(g_module.link);
        if (c.replaced) {
            EXPECT_STREQ(g_module.call.host_addr, "127.0.0.1") << c.given;
            EXPECT_EQ(g_module.call.host_port, 10902) << c.given;
            EXPECT_TRUE(app_->logged("Connect info IP[127.0.0.1], port[10902]")) << c.given;
            EXPECT_TRUE(app_->logged("Connect info2 IP[127.0.0.1], port[10902]")) << c.given;
        } else {
            EXPECT_STREQ(g_module.call.host_addr, c.given);
            EXPECT_EQ(g_module.call.host_port, given_port);
            EXPECT_TRUE(app_->logged(fmt("Connect info2 IP[%.100s], port[%d]", c.given, given_port)));
        }
    }
}

}  // namespace
}  // namespace zpos::test
