// Reply handling throughput: keystroke runs to CP949, the in-place conversion
// of a whole reply, the field split and the full parse of a card reply.
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <string>

#include "reply/keystrokes.h"
#include "reply/parser.h"
#include "reply/split.h"
#include "support/message_kinds.h"
#include "support/records.h"

namespace {

// 국민카드 정상승인 한도초과 닭고기 값이: one run of 57 keystrokes.
const std::string kRunKeys = "RNRALSZKEM WJDTKDTMDDLS GKSEHCHRHK EKFRRHRL RKQTDL";

// A card approval with Korean in fields 1, 5, 12 and 20, as the host sends it.
std::string card_reply() {
    auto run = [](const char* keys) { return std::string("\x0E") + keys + "\x0F"; };
    std::string fields[23] = {"",           run("WJDTKDTMDDLS"), "12345678",      "O",
                              "0100",       run("RNRALSZKEM"),  "123456789012345", "2406111230450",
                              "",           "",                 "D",             "0300",
                              run("QLtL"),  "",                 "",              "",
                              "",           "1000",             "50000",         "0",
                              run("WJRFLQ") + " 1,234 " + run("VHDLSXM"), "LINE 21", "LINE 22"};
    std::string body = "\x02" "0000RP";
    for (int f = 0; f < 23; ++f) {
        if (f > 0) body += '\x1C';
        body += fields[f];
    }
    body += std::string(24, '\x1C') + "0010ABCDEFGHIJ\x03K";
    return body;
}

void BM_ConvertRun(benchmark::State& state) {
    zpos::RunBuffer run{};
    for (auto _ : state) {
        std::memcpy(run.data(), kRunKeys.data(), kRunKeys.size());
        benchmark::DoNotOptimize(zpos::convert_run(static_cast<int>(kRunKeys.size()), run));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRunKeys.size()));
}
BENCHMARK(BM_ConvertRun);

void BM_ConvertMessage(benchmark::State& state) {
    const std::string reply = card_reply();
    std::array<char, zpos::kMessageCapacity> work{};
    for (auto _ : state) {
        std::memcpy(work.data(), reply.data(), reply.size());
        benchmark::DoNotOptimize(zpos::convert_keystrokes(work.data(), static_cast<int>(reply.size())));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_ConvertMessage);

void BM_SplitReply(benchmark::State& state) {
    std::string reply = card_reply();
    int n = zpos::convert_keystrokes(reply.data(), static_cast<int>(reply.size()));
    zpos::ParsedReply fields;
    for (auto _ : state) {
        fields.clear();
        benchmark::DoNotOptimize(zpos::split_reply(fields, reply.data(), n));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_SplitReply);

void BM_ParseReply(benchmark::State& state) {
    const std::string reply = card_reply();
    std::array<char, zpos::resp::kSize> response{};
    const int kind = static_cast<int>(state.range(0));
    for (auto _ : state) {
        zpos::parse_reply(response.data(), reply.data(), static_cast<int>(reply.size()), kind);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_ParseReply)->Arg(zpos::kind::kCardApproval)->Arg(zpos::kind::k90Approval)->Arg(zpos::kind::kPointsFirst);

}  // namespace
