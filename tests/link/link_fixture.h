// Shared set-up of the link tests: short link waits and the module pointed at a simulator.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "entry/call.h"
#include "link/connection.h"
#include "link/exchange.h"
#include "platform/seams.h"
#include "support/route.h"
#include "tests/common/app_dir.h"
#include "tests/common/seam_setters.h"
#include "tests/common/wire.h"
#include "tools/host/host_sim.h"

namespace zpos::test {

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        route_primary_for_call(g_module);
        std::snprintf(g_module.call.host_addr, sizeof g_module.call.host_addr, "127.0.0.1");
        std::memset(g_module.call.saved_request, 0, sizeof g_module.call.saved_request);
        std::memset(g_module.call.tran_time, 0, sizeof g_module.call.tran_time);
    }
    void TearDown() override {
        close_link(g_module.link);
        if (host_) host_->stop();
        host_.reset();
        app_.reset();
        platform::reset_seams();
    }

    // Starts a simulator with `scenario` and points the module at it.
    host::HostSim& start_host(host::Scenario scenario) {
        if (host_) host_->stop();
        host_ = std::make_unique<host::HostSim>(std::move(scenario));
        EXPECT_TRUE(host_->start(0));
        g_module.call.host_port = host_->port();
        return *host_;
    }
    // One exchange of sample_transaction_message(); the result as the POS
    // would see it.
    int exchange() {
        std::string msg = sample_transaction_message();
        HostReply reply = host_exchange(g_module, msg.data(), "", 0, static_cast<int>(msg.size()));
        timed_out_ = reply.timed_out;
        return static_cast<int>(reply.result);
    }

    ShortLinkWaits waits_{300, 150};
    std::unique_ptr<AppDir> app_ = std::make_unique<AppDir>();
    std::unique_ptr<host::HostSim> host_;
    bool timed_out_ = false;  // the last exchange ended for a host gone quiet
};

}  // namespace zpos::test
