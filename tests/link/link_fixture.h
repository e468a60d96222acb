// Shared set-up of the link tests: a temporary application directory, short
// link waits, the module state pointed at a simulator, and what the last
// exchange brought back.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/common/app_dir.h"
#include "tests/common/seam_setters.h"
#include "tests/common/wire.h"
#include "tools/host/host_sim.h"

namespace zpos::test {

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts a simulator with `scenario` and points the module at it.
    host::HostSim& start_host(host::Scenario scenario);
    // One exchange of sample_transaction_message(); the result as the POS
    // would see it.
    int exchange();

    ShortLinkWaits waits_{300, 150};
    std::unique_ptr<AppDir> app_;
    std::unique_ptr<host::HostSim> host_;
    bool timed_out_ = false;  // the last exchange ended for a host gone quiet
};

}  // namespace zpos::test
