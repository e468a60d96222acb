// The log masking setting through the exported functions against the host
// simulator on loopback; the card approval itself is a fault matrix row.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "tests/common/app_dir.h"
#include "tests/common/records_helper.h"
#include "tools/host/host_sim.h"
#include "zposapp.h"

namespace zpos::test {
namespace {

// MASK=STRICT keeps card numbers out of every writer's log lines; any other
// value keeps the default masking.
TEST(EndToEnd, StrictMaskingKeepsCardNumbersOutOfTheLog) {
    ShortLinkWaits waits{500, 300};
    AppDir dir;
    host::Scenario scenario;
    scenario.rules.push_back(host::decline_card("5410", "CARD 5410123456789012=2812"));
    host::HostSim sim(scenario);
    ASSERT_TRUE(sim.start());
    host::Scenario download_scenario;
    download_scenario.service = host::Scenario::Service::Download;
    download_scenario.download_answer = "9999NO FILE FOR 9410123456789012";
    host::HostSim download_host(download_scenario);
    ASSERT_TRUE(download_host.start());
    std::array<char, resp::kSize> response{};
    auto send = [&](const Request& r) { Zelta_Send("127.0.0.1", sim.port(), r.data(), response.data()); };

    for (const char* mask : {"STRICT", "strict", "LOOSE", ""}) {
        std::remove(dir.log_path().c_str());
        dir.write_settings(std::string("[VANCFG]\nVANID=1\n[LOG]\nMASK=") + mask + "\n");
        send(sample_card_request("0200", "10"));
        Zelta_Ack();
        send(sample_card_request("0200", "10", "5410123456789012=2812101"));
        send(sample_card_request("0200", "KT").set(req::tran_amt, "000000001"));
        Zelta_OKCashbag("127.0.0.1", sim.port(), sample_points_request("01").data(), response.data());
        char answer[1025];
        EXPECT_EQ(Zelta_download("127.0.0.1", download_host.port(), "REQ", answer), 32);  // every byte read

        std::string log = read_file(dir.log_path());
        bool strict = mask[0] == 'S' || mask[0] == 's';
        EXPECT_NE(log.find("AUTO ACK SEND"), std::string::npos) << mask;  // the decline closed at once
        for (const char* hidden : {"9410123456789012", "5410123456789012", "9400001234567890", "=2812"})
            EXPECT_EQ(log.find(hidden) == std::string::npos, strict) << mask << ": " << hidden;
        for (const char* shown : {"941012******9012", "541012******9012", "940000******7890"})
            EXPECT_EQ(log.find(shown) != std::string::npos, strict) << mask << ": " << shown;
        if (!strict) {
            EXPECT_NE(log.find("941012345678*********101"), std::string::npos) << mask;
        }
    }
}

}  // namespace
}  // namespace zpos::test
