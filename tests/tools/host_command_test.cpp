// zpos-host run as a process: its options and scenario lines (strict, in any
// order, the command line over the scenario) and its help.
#include <csignal>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/app_dir.h"
#include "tests/common/print.h"
#include "tests/common/process.h"

namespace zpos::test {
namespace {

// A bad option or scenario line: its arguments and the whole message. In
// both, @SCENARIO@ stands for a file holding `scenario`, @DIR@ for a folder
// and @MISSING@ for a file in a folder that does not exist.
struct HostUsage {
    std::string name;
    std::vector<std::string> args;
    std::string message;
    std::string scenario = "";
};

// A scenario file of the one line `line`, refused with `expected`.
HostUsage bad_line(const char* name, const std::string& line, const std::string& expected) {
    return {name, {"--scenario", "@SCENARIO@"}, "option --scenario: @SCENARIO@:1: " + expected, line + "\n"};
}

HostUsage not_understood(const char* name, const std::string& line, const std::string& syntax) {
    return bad_line(name, line, "not understood: " + line + "; expected " + syntax);
}

void PrintTo(const HostUsage& row, std::ostream* os) { *os << row.name; }

class HostBadUsage : public ::testing::TestWithParam<HostUsage> {};

TEST_P(HostBadUsage, NamesTheOptionOrLineAndExitsWithTwo) {
    AppDir dir;
    auto place = [&](std::string text) {
        for (auto [name, path] : {std::pair{"@SCENARIO@", dir.file("s.scenario")}, std::pair{"@DIR@", dir.path()},
                                  std::pair{"@MISSING@", dir.file("missing/x")}})
            for (std::size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, strlen(name), path);
        return text;
    };
    std::ofstream(dir.file("s.scenario")) << place(GetParam().scenario);
    std::vector<std::string> args{ZPOS_HOST_COMMAND};
    for (const std::string& a : GetParam().args) args.push_back(place(a));
    // A host that takes what it should refuse starts serving: stop it soon.
    Outcome r = Process(args, dir.path()).finish(5000);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zpos-host: " + place(GetParam().message) + "\n");
    EXPECT_EQ(r.out, "");
}

const char* kPort = "option --port expects a port number from 0 to 65535, not ";
const char* kFaultSyntax = "fault NAME[,NAME...] [COUNT]: fault names as zpos-host --help lists them, COUNT from 0";
const char* kMs = " MS: milliseconds from 0";

INSTANTIATE_TEST_SUITE_P(
    Options, HostBadUsage,
    ::testing::Values(
        HostUsage{"PortNotANumber", {"--port", "abc"}, kPort + std::string("'abc'")},
        HostUsage{"PortTooLarge", {"--port", "99999"}, kPort + std::string("'99999'")},
        HostUsage{"PortNegative", {"--port", "-5"}, kPort + std::string("'-5'")},
        HostUsage{"PortWithLetters", {"--port", "109o2"}, kPort + std::string("'109o2'")},
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
        HostUsage{"RecordInMissingFolder", {"--record", "@MISSING@"},
                  "option --record expects a file it can write, not '@MISSING@' (No such file or directory)"},
        HostUsage{"PcapIsAFolder", {"--pcap", "@DIR@"},
                  "option --pcap expects a file it can write, not '@DIR@' (a directory)"},
        HostUsage{"ScenarioIsAFolder", {"--scenario", "@DIR@"},
                  "option --scenario: @DIR@ is a directory, not a scenario file"},
        HostUsage{"ScenarioMissing", {"--scenario", "@MISSING@"},
                  "option --scenario: cannot open @MISSING@ (No such file or directory)"},
        bad_line("UnknownLine", "approve-all", "not understood: approve-all"),
        not_understood("RuleWithoutMatch", "approve everything", "approve any|card PREFIX|amount MIN|code CC [TEXT]"),
        not_understood("CardWithoutPrefix", "approve card", "approve card PREFIX [TEXT]"),
        not_understood("AmountNegative", "decline amount -1 NO", "decline amount MIN [TEXT]: MIN from 0"),
        not_understood("CodeOfThree", "decline code 100",
                       "decline code CC [TEXT]: CC a transaction code of two characters"),
        not_understood("IssuerWithoutName", "issuer 0100", "issuer CODE NAME"),
        not_understood("IssuerAlone", "issuer", "issuer CODE NAME"),
        not_understood("ManagementMaybe", "management maybe", "management on|off"),
        not_understood("ServiceMissing", "service", "service link|download"),
        not_understood("DatetimeLetters", "datetime abc", "datetime YYMMDDhhmmss: twelve digits"),
        not_understood("DatetimeShort", "datetime 2612061200", "datetime YYMMDDhhmmss: twelve digits"),
        not_understood("DelayNegative", "delay -1", std::string("delay") + kMs),
        not_understood("GapNegative", "gap -5", std::string("gap") + kMs),
        not_understood("GapTwice", "gap 5 5", std::string("gap") + kMs),
        not_understood("RepeatCountNegative", "fault repeat-enq -1", kFaultSyntax),
        not_understood("UnknownFaultLine", "fault sideways", kFaultSyntax),
        not_understood("EmptyFaultName", "fault none,,no-enq", kFaultSyntax),
        not_understood("TrailingComma", "fault none,", kFaultSyntax),
        not_understood("ReplyDelayLetters", "reply-delay 10,x", "reply-delay MS[,MS...]: milliseconds from 0"),
        not_understood("ReplyDelayNegative", "reply-delay -5", "reply-delay MS[,MS...]: milliseconds from 0"),
        not_understood("AnswerEmpty", "answer", "answer TEXT"),
        bad_line("RecordLineInMissingFolder", "record @MISSING@",
                 "record @MISSING@: cannot write there (No such file or directory)")),
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
