// A thousand failures and a thousand approvals leave descriptors and heap as
// they were, with no allocation once warm; hosts run in a child process.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "link/link_timing.h"
#include "tests/common/allocation_counter.h"
#include "tests/common/app_dir.h"
#include "tests/common/records_helper.h"
#include "tools/host/host_sim.h"
#include "zposapp.h"

namespace zpos::test {
namespace {

using host::Fault;

// Hosts served by a child process, their heap apart from the count, until
// the test closes its pipe.
class HostProcess {
public:
    explicit HostProcess(const std::vector<host::Scenario>& scenarios) : ports_(scenarios.size(), 0) {
        int ports[2], hold[2];
        if (pipe(ports) != 0 || pipe(hold) != 0) return;
        if ((pid_ = fork()) == 0) {
            close(hold[1]);
            std::vector<std::unique_ptr<host::HostSim>> sims;
            for (const host::Scenario& s : scenarios) {
                sims.push_back(std::make_unique<host::HostSim>(s));
                int port = sims.back()->start() ? sims.back()->port() : 0;
                if (write(ports[1], &port, sizeof port) != sizeof port) _exit(1);
            }
            char c;
            while (read(hold[0], &c, 1) > 0) {
            }
            _exit(0);
        }
        close(ports[1]);
        close(hold[0]);
        hold_ = hold[1];
        for (int& port : ports_)
            if (read(ports[0], &port, sizeof port) != sizeof port) port = 0;
        close(ports[0]);
    }
    ~HostProcess() {
        if (hold_ >= 0) close(hold_);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    int port(std::size_t i) const { return ports_.at(i); }
    bool ready() const { return std::find(ports_.begin(), ports_.end(), 0) == ports_.end(); }

private:
    pid_t pid_ = -1;
    int hold_ = -1;
    std::vector<int> ports_;
};

host::Scenario with_fault(Fault fault) {
    host::Scenario s;
    s.faults = {fault};
    return s;
}

enum Host { kApproving, kWrongThirdByte, kNakReply, kShortBody };

class SteadyState : public ::testing::Test {
protected:
    void SetUp() override {
        dir.write_settings("[VANCFG]\nVANID=1\nEOT_CNT=0\n");
        // Every card transaction reads the store and sends the card's block.
        ASSERT_TRUE(fill_card_store());
    }

    // One approval closed by Zelta_Ack; true when both succeeded.
    bool approval_and_ack(int port) {
        if (Zelta_Send("127.0.0.1", port, approval.data(), response.data()) != 1) return false;
        return field(response.data(), resp::resp_code) == "0000" && Zelta_Ack() == 1;
    }

    // Cash (never counted: the route stays primary) against four failing
    // hosts, an ACK with no link, a download nobody answers.
    bool failure(int i) {
        switch (i % 6) {
            case 0: return send_cash(closed) == -6 && field(response.data(), resp::resp_code) == "COMM";
            case 1: return send_cash(hosts.port(kWrongThirdByte)) == -5;
            case 2: return send_cash(hosts.port(kNakReply)) == -2;
            case 3: return send_cash(hosts.port(kShortBody)) == -1;
            case 4: return Zelta_Ack() == -5;
            default: return Zelta_download("127.0.0.1", closed, "DOWNLOAD REQUEST", answer.data()) == -5;
        }
    }
    int send_cash(int port) { return Zelta_Send("127.0.0.1", port, cash.data(), response.data()); }

    ShortLinkWaits waits{500, 300};
    AppDir dir;
    StoreAt store{dir.file("registry.dat")};
    HostProcess hosts{{host::Scenario{}, with_fault(Fault::WrongThirdByte), with_fault(Fault::NakReply),
                       with_fault(Fault::ShortBody)}};
    int closed = closed_loopback_port();
    Request approval = sample_card_request("0200", "10");
    Request cash = sample_card_request("0200", "21");
    std::array<char, resp::kSize> response{};
    std::array<char, ZPOSAPP_DOWNLOAD_ANSWER_SIZE> answer{};
};

TEST_F(SteadyState, ThousandFailuresAndThousandApprovalsLeaveNothingBehind) {
    ASSERT_TRUE(hosts.ready());
    // Warm up what lasts for the process (time zone, stream buffers).
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(failure(i)) << i;
    ASSERT_TRUE(approval_and_ack(hosts.port(kApproving)));

    const int descriptors = open_descriptors();
    const std::size_t heap = heap_in_use();
    int failed = 0, approved = 0;
    long allocations = 0;
    {
        AllocationCount count;
        for (int i = 0; i < 1000; ++i) failed += failure(i);
        for (int i = 0; i < 1000; ++i) approved += approval_and_ack(hosts.port(kApproving));
        allocations = count.count();
    }
    std::printf("descriptors %d -> %d, heap in use %zu -> %zu bytes, %ld allocations\n", descriptors,
                open_descriptors(), heap, heap_in_use(), allocations);
    EXPECT_EQ(failed, 1000);
    EXPECT_EQ(approved, 1000);
    EXPECT_EQ(open_descriptors(), descriptors);
    if (!allocations_counted()) GTEST_SKIP() << "the sanitizer owns the allocator; descriptors checked only";
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(heap_in_use(), heap);
}

}  // namespace
}  // namespace zpos::test
