// The link tests' fixture and helpers.
#include "tests/link/link_fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "entry/call.h"
#include "link/connection.h"
#include "link/exchange.h"
#include "link/link_timing.h"
#include "platform/seams.h"
#include "support/route.h"

namespace zpos::test {

ParsedReply g_parsed;

namespace {
BackupRouteResult capture_reply(char*, const char* reply, int length, int kind) {
    ++g_parsed.calls;
    g_parsed.reply.assign(reply, static_cast<std::size_t>(length));
    g_parsed.kind = kind;
    return BackupRouteResult::not_sent;
}
}  // namespace

unsigned char xor_after_stx(const std::string& bytes) {
    unsigned char x = 0;
    for (std::size_t i = 1; i < bytes.size(); ++i) x ^= static_cast<unsigned char>(bytes[i]);
    return x;
}

std::string sample_request() {
    std::string body = std::string("POS10\x1c") + "1234567890\x1c" + "9410123456789012=2512\x1c" + "00\x1c" +
                       "00001000\x1c" + "\x03";
    // STX, 'I', 'S', four length digits, body, check byte.
    std::size_t total = 3 + 4 + body.size() + 1;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04zu", total);
    std::string msg = std::string("\x02IS") + digits + body;
    msg += static_cast<char>(xor_after_stx(msg));
    return msg;
}

void LinkTest::SetUp() {
    app_ = std::make_unique<AppDir>();
    platform::seams().connect_timeout_ms = 300;
    platform::seams().link_wait_ms = 150;
    platform::seams().reply_parser = capture_reply;
    g_parsed = ParsedReply{};
    route_primary_for_call();
    std::snprintf(g_call.host_addr, sizeof g_call.host_addr, "127.0.0.1");
    std::memset(g_call.saved_request, 0, sizeof g_call.saved_request);
    std::memset(g_call.tran_time, 0, sizeof g_call.tran_time);
    std::memset(response_, 0, sizeof response_);
}

void LinkTest::TearDown() {
    close_link();
    if (host_) host_->stop();
    host_.reset();
    app_.reset();
    platform::reset_seams();
}

host::HostSim& LinkTest::start_host(host::Scenario scenario) {
    host_ = std::make_unique<host::HostSim>(std::move(scenario));
    EXPECT_TRUE(host_->start(0));
    g_call.host_port = host_->port();
    return *host_;
}

int LinkTest::exchange(int kind) {
    std::string msg = sample_request();
    return static_cast<int>(host_exchange(g_call, response_, msg.data(), "", 0, static_cast<int>(msg.size()), kind));
}

bool LinkTest::log_has(const std::string& line) const { return log_count(line) > 0; }

int LinkTest::log_count(const std::string& line) const {
    auto lines = app_->log_lines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

}  // namespace zpos::test
