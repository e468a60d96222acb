// Shared set-up of the link tests: a temporary application directory, short
// link waits, the module state pointed at a simulator, a reply parser that
// keeps what it was handed, and small byte helpers.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/common/app_dir.h"
#include "tools/host/host_sim.h"

namespace zpos::test {

// What the capturing reply parser last saw.
struct ParsedReply {
    int calls = 0;
    std::string reply;
    int kind = -1;
};
extern ParsedReply g_parsed;

// A small, valid transaction message (STX .. ETX plus check byte) of code "10":
// term_id "1234567890", track2 "9410123456789012=2512", amount 00001000.
std::string sample_request();

// XOR of bytes 1 .. size-1, the check byte a message ends with.
unsigned char xor_after_stx(const std::string& bytes);

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts a simulator with `scenario` and points the module at it.
    host::HostSim& start_host(host::Scenario scenario);
    // Runs one exchange of sample_request() with `kind`.
    // The exchange's result as the POS would see it.
    int exchange(int kind = 2);
    bool log_has(const std::string& line) const;
    int log_count(const std::string& line) const;

    std::unique_ptr<AppDir> app_;
    std::unique_ptr<host::HostSim> host_;
    char response_[451] = {};
};

}  // namespace zpos::test
