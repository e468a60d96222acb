// The exports called from several threads, from inside a running call, and
// from a child made while a call runs (also run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/app_dir.h"
#include "tests/common/records_helper.h"
#include "tests/common/wire.h"
#include "tools/host/host_sim.h"
#include "zposapp.h"

namespace zpos::test {
namespace {

using Response = std::array<char, resp::kSize>;

// A request the library refuses without a word to any host.
const Request kRefused("0200", "ZZ");

// A card approval of its own amount, so each thread knows its sale again.
Request sale_of(int amount) {
    Request r = sample_card_request("0200", "10");
    char text[16];
    std::snprintf(text, sizeof text, "%09d", amount);
    return r.set(req::tran_amt, text);
}

// Sellers hold the till's lock around Zelta_Send and Zelta_Ack, bystanders
// call without it; each response is whole and its sale's, each ACK follows
// its own request.
TEST(Threads, CallsTakeTurnsAndEachAckClosesItsOwnSale) {
    AppDir dir;
    dir.write_settings("[VANCFG]\nVANID=1\nEOT_CNT=0\n");
    ShortLinkWaits waits{2000, 2000};
    host::HostSim sim{host::Scenario{}};
    ASSERT_TRUE(sim.start());
    const int idle_port = closed_loopback_port();

    Response refused_alone{};
    ASSERT_EQ(Zelta_Send("127.0.0.1", idle_port, kRefused.data(), refused_alone.data()), -1);

    constexpr int kSellers = 3, kSales = 4, kBystanders = 2, kCalls = 20;
    std::mutex till;
    std::atomic<int> broken{0};
    std::vector<std::thread> threads;
    for (int seller = 0; seller < kSellers; ++seller)
        threads.emplace_back([&, seller] {
            for (int sale = 0; sale < kSales; ++sale) {
                const int amount = 1000 + seller * 100 + sale;
                Response response{};
                std::lock_guard<std::mutex> hold(till);
                int sent = Zelta_Send("127.0.0.1", sim.port(), sale_of(amount).data(), response.data());
                bool whole = sent == 1 && field(response.data(), resp::resp_code) == "0000" &&
                             field(response.data(), resp::tran_amt) == field(sale_of(amount).data(), req::tran_amt) &&
                             std::string(response.data(), response.size()).find('\0') == std::string::npos;
                if (!whole || Zelta_Ack() != 1) ++broken;
            }
        });
    for (int bystander = 0; bystander < kBystanders; ++bystander)
        threads.emplace_back([&] {
            for (int i = 0; i < kCalls; ++i) {
                Response response{};
                if (Zelta_Send("127.0.0.1", idle_port, kRefused.data(), response.data()) != -1 ||
                    response != refused_alone)
                    ++broken;
                std::array<char, 1100> answer{};
                if (Zelta_download("127.0.0.1", idle_port, "PARAM", answer.data()) != -5) ++broken;
            }
        });
    for (std::thread& t : threads) t.join();
    sim.stop();
    EXPECT_EQ(broken, 0);

    // What the host saw, in order: each request of a sale, then its ACK.
    std::vector<std::string> seen;
    for (const host::SeenFrame& f : sim.frames())
        if (f.from_client) seen.push_back(f.bytes == kAckFrame ? "ACK" : "request");
    std::vector<std::string> expected;
    for (int i = 0; i < kSellers * kSales; ++i) expected.insert(expected.end(), {"request", "ACK"});
    EXPECT_EQ(seen, expected);
    std::set<long> amounts;
    for (const host::SeenRequest& r : sim.requests()) amounts.insert(r.amount);
    EXPECT_EQ(amounts.size(), static_cast<std::size_t>(kSellers * kSales));
}

std::vector<int> g_reentered;  // what the calls made again returned
bool g_buffer_untouched = false;
int g_idle_port = 0;

// A POS message loop calling every export while the notice waits.
void call_again(const char*) {
    std::array<char, 1100> buffer;
    buffer.fill('#');
    const int port = g_idle_port;
    g_reentered = {Zelta_Send("127.0.0.1", port, sample_card_request("0200", "10").data(), buffer.data()),
                   Zelta_OKCashbag("127.0.0.1", port, sample_points_request("01").data(), buffer.data()),
                   Zelta_Ack(), Zelta_download("127.0.0.1", port, "PARAM", buffer.data())};
    g_buffer_untouched = std::string(buffer.data(), buffer.size()).find_first_not_of('#') == std::string::npos;
}

// The response and log lines of a call showing the test-port warning.
std::pair<Response, std::vector<std::string>> warned_call(void (*notice)(const char*)) {
    AppDir dir;
    NoticeCapture stand_in(notice);
    Response response{};
    EXPECT_EQ(Zelta_Send("127.0.0.1", 10901, kRefused.data(), response.data()), -1);
    return {response, dir.log_lines()};
}

TEST(Threads, CallFromInsideACallIsRefusedAndChangesNothing) {
    g_idle_port = closed_loopback_port();
    auto alone = warned_call(nullptr);
    auto reentered = warned_call(call_again);
    EXPECT_EQ(g_reentered, (std::vector<int>{-1, -1, -1, -1}));
    EXPECT_TRUE(g_buffer_untouched);
    EXPECT_EQ(reentered.first, alone.first);
    EXPECT_EQ(reentered.second, alone.second);
}

std::promise<void> g_inside, g_go_on;

// Holds the call it is shown in until the test lets it go (ten seconds at most).
void hold_the_call(const char*) {
    g_inside.set_value();
    static_cast<void>(g_go_on.get_future().wait_for(std::chrono::seconds(10)));
}

TEST(Threads, ChildMadeDuringAnotherThreadsCallCanCallTheLibrary) {
    AppDir dir;
    NoticeCapture stand_in(hold_the_call);
    std::thread holder([] {
        Response response{};
        static_cast<void>(Zelta_Send("127.0.0.1", 10901, kRefused.data(), response.data()));
    });
    const bool inside = g_inside.get_future().wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    const pid_t child = inside ? fork() : -1;
    if (child == 0) {
        alarm(5);  // a call that never returns ends the child
        Response response{};
        int result = Zelta_Send("127.0.0.1", 10902, kRefused.data(), response.data());
        _exit(result == -1 && field(response.data(), resp::resp_code) == "NOTX" ? 0 : 1);
    }
    int status = -1;
    if (child > 0) waitpid(child, &status, 0);
    g_go_on.set_value();
    holder.join();
    ASSERT_TRUE(inside);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child's call failed or never returned";
}

}  // namespace
}  // namespace zpos::test
