// The link tests' fixture.
#include "tests/link/link_fixture.h"

#include <cstdio>
#include <cstring>

#include "entry/call.h"
#include "link/connection.h"
#include "link/exchange.h"
#include "platform/seams.h"
#include "support/route.h"

namespace zpos::test {

void LinkTest::SetUp() {
    app_ = std::make_unique<AppDir>();
    route_primary_for_call(g_module);
    std::snprintf(g_module.call.host_addr, sizeof g_module.call.host_addr, "127.0.0.1");
    std::memset(g_module.call.saved_request, 0, sizeof g_module.call.saved_request);
    std::memset(g_module.call.tran_time, 0, sizeof g_module.call.tran_time);
}

void LinkTest::TearDown() {
    close_link(g_module.link);
    if (host_) host_->stop();
    host_.reset();
    app_.reset();
    platform::reset_seams();
}

host::HostSim& LinkTest::start_host(host::Scenario scenario) {
    if (host_) host_->stop();
    host_ = std::make_unique<host::HostSim>(std::move(scenario));
    EXPECT_TRUE(host_->start(0));
    g_module.call.host_port = host_->port();
    return *host_;
}

int LinkTest::exchange() {
    std::string msg = sample_transaction_message();
    HostReply reply = host_exchange(g_module, msg.data(), "", 0, static_cast<int>(msg.size()));
    timed_out_ = reply.timed_out;
    return static_cast<int>(reply.result);
}

}  // namespace zpos::test
