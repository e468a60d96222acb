// zpos-host run as a process: its options (strict, in any order, the command
// line over the scenario) and its help.
#include <csignal>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/app_dir.h"
#include "tests/common/print.h"
#include "tests/common/process.h"

namespace zpos::test {
namespace {

struct HostUsage {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

class HostBadUsage : public ::testing::TestWithParam<HostUsage> {};

TEST_P(HostBadUsage, NamesTheOptionAndExitsWithTwo) {
    AppDir dir;
    std::ofstream(dir.file("bad.scenario")) << "approve everything\n";
    std::vector<std::string> args{ZPOS_HOST_COMMAND};
    for (const std::string& a : GetParam().args) args.push_back(a == "BAD" ? dir.file("bad.scenario") : a);
    Outcome r = run_process(args, dir.path());
    EXPECT_EQ(r.status, 2);
    std::string message = GetParam().message;
    if (std::size_t at = message.find("BAD"); at != std::string::npos) message.replace(at, 3, dir.file("bad.scenario"));
    EXPECT_EQ(r.err, "zpos-host: " + message + "\n");
    EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Options, HostBadUsage,
    ::testing::Values(
        HostUsage{"PortNotANumber", {"--port", "abc"},
                  "option --port expects a port number from 0 to 65535, not 'abc'"},
        HostUsage{"PortTooLarge", {"--port", "99999"},
                  "option --port expects a port number from 0 to 65535, not '99999'"},
        HostUsage{"PortNegative", {"--port", "-5"}, "option --port expects a port number from 0 to 65535, not '-5'"},
        HostUsage{"PortWithLetters", {"--port", "109o2"},
                  "option --port expects a port number from 0 to 65535, not '109o2'"},
        HostUsage{"UnknownFault", {"--fault", "none,sideways"},
                  "option --fault expects fault names separated by commas (none, no-enq, short-enq, "
                  "wrong-third-byte, enq-with-extra, silent-after-request, nak-reply, short-frame, repeat-enq, "
                  "short-body, stalled-body, trickle-body, oversize-length, zero-length, no-eot, eot-in-fifth, frames-without-eot, short-eot, "
                  "slow-accept), not 'none,sideways'"},
        HostUsage{"DelayInSeconds", {"--reply-delay", "0,3s"},
                  "option --reply-delay expects milliseconds separated by commas, such as 0,0,3000, not '0,3s'"},
        HostUsage{"UnknownOption", {"--verbose"}, "unknown option --verbose (see zpos-host --help)"},
        HostUsage{"MissingValue", {"--download", "--record"},
                  "option --record needs a value: FILE, where frames and requests are appended"},
        HostUsage{"OptionTwice", {"--port", "0", "--port", "1"}, "option --port is given twice"},
        HostUsage{"ScenarioNotUnderstood", {"--scenario", "BAD"},
                  "option --scenario: BAD:1: not understood: approve everything"}),
    RowName{});

TEST(HostCommand, HelpOnStandardOutputWithEveryDefault) {
    AppDir dir;
    Outcome r = run_process({ZPOS_HOST_COMMAND, "--port", "x", "--help"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("usage: zpos-host ", 0), 0u) << r.out;
    for (const char* shown : {"(default 10902)", "(default none)", "(default 0)", "silent-after-request"})
        EXPECT_NE(r.out.find(shown), std::string::npos) << shown;
}

// The scenario is read after every option, so the command line's fault wins
// wherever it stands.
TEST(HostCommand, CommandLineFaultOverridesTheScenarioInAnyOrder) {
    AppDir dir;
    std::ofstream(dir.file("s.scenario")) << "fault no-eot\nreply-delay 100\n";
    Process host({ZPOS_HOST_COMMAND, "--fault", "no-enq,none", "--scenario", dir.file("s.scenario"), "--port", "0"},
                 dir.path());
    EXPECT_TRUE(host.wait_for_output("zpos-host listening on 127.0.0.1:", 10000)) << host.err();
    host.signal(SIGTERM);
    Outcome r = host.finish();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(" (link, fault no-enq,none, reply delay 100 ms)\n"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace zpos::test
