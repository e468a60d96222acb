// zpos-agent: the local payment service. One process on the POS machine that
// wraps the library: the one place a transaction runs, journalled so that a
// crash never loses an approval.
// Boost 1.74's asio uses std::exchange without including <utility>.
#include <utility>

#include <boost/asio.hpp>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "agent/api/api.h"
#include "agent/api/embedded_files.h"
#include "agent/config/config.h"
#include "agent/config/state_dir.h"
#include "agent/events/events.h"
#include "agent/http/security.h"
#include "agent/http/server.h"
#include "agent/journal/export.h"
#include "agent/journal/journal.h"
#include "agent/metrics/metrics.h"
#include "agent/platform/platform.h"
#include "agent/runner/runner.h"
#include "zposapp_version.h"

namespace {

using namespace zpos::agent;

constexpr int kUsage = 2;
constexpr std::size_t kAppDirChars = 200;  // the library reads no more of ZPOS_APP_DIR
constexpr long long kKeyKeptMs = 48LL * 3600 * 1000;
constexpr int kPruneEveryMs = 3600 * 1000;
constexpr int kWatchdogEveryMs = 1000;

int fail(int status, const std::string& message) {
    std::fprintf(stderr, "zpos-agent: %s\n", message.c_str());
    return status;
}

// The state directory as an absolute path the library can take.
bool resolve_state_dir(Config& c, std::string& error) {
    if (!ensure_state_dir(c.state_dir, error)) return false;
    if (!platform::absolute_path(c.state_dir, c.state_dir, error)) return false;
    if (c.state_dir.size() > kAppDirChars)
        return error = "the state directory's path is over 200 characters, more than the library reads", false;
    return true;
}

void prune_every_hour(Server& server, Journal& journal, int days) {
    journal.prune(days, kKeyKeptMs);
    server.after(kPruneEveryMs, [&server, &journal, days] { prune_every_hour(server, journal, days); });
}

// Tells the subscribers once when a call runs past its worst case.
void watch(Server& server, Runner& runner, Events& events, bool was_stuck) {
    bool stuck = runner.stuck();
    if (stuck && !was_stuck)
        events.publish({{"type", "progress"},
                        {"transaction_id", runner.active()},
                        {"text", "stuck: the call runs past the library's worst case of " +
                                     std::to_string(runner.stuck_after_seconds()) + " s"}});
    server.after(kWatchdogEveryMs, [&server, &runner, &events, stuck] { watch(server, runner, events, stuck); });
}

int serve(Config config) {
    // The journal and the library's logs are for the agent's user alone.
    platform::restrict_new_files();
    std::string error;
    if (config.demo && !is_loopback_host(config.payment_host))
        return fail(kUsage, "--demo takes a payment host on loopback only");
    if (!take_lock(config.state_dir, error)) return fail(kUsage, error);
    std::string token, secret;
    if (!load_token(config.state_dir, false, token, error) || !load_secret(config.state_dir, secret, error) ||
        !ensure_strict_log_mask(config.state_dir, error))
        return fail(1, error);
    // Before the first call: the library's logs and settings live here.
    platform::set_environment("ZPOS_APP_DIR", config.state_dir);

    Journal journal;
    if (!journal.open(config.state_dir + "/journal.sqlite3", error)) return fail(1, error);
    journal.recover();

    Events events;
    Metrics metrics;
    Tickets tickets;
    Runner runner(config, journal, events, metrics);
    // The server outlives the network loop: sockets still open at the stop
    // go with the loop's handlers, and they reach into the server as they go.
    std::unique_ptr<Server> server;
    boost::asio::io_context io;
    Api api({config, journal, runner, events, metrics, tickets}, token, secret,
            config.demo ? random_hex() : std::string(), embedded_files(),
            [&server](int ms, std::function<void()> fn) { server->after(ms, std::move(fn)); });
    server = std::make_unique<Server>(io, config, api, events, tickets);
    if (!server->listen(config.port, error)) return fail(1, error);
    if (config.demo) {
        std::string port = std::to_string(server->port());
        config.allowed_origins.push_back("http://127.0.0.1:" + port);
        config.allowed_origins.push_back("http://localhost:" + port);
    }
    runner.start();
    prune_every_hour(*server, journal, config.retention_days);
    watch(*server, runner, events, false);

    boost::asio::signal_set signals(io, SIGTERM, SIGINT);
    signals.async_wait([&](const boost::system::error_code&, int) {
        platform::notify_service_manager("STOPPING=1");
        server->stop_accepting();
        // No transaction is cut: a running library call returns first.
        runner.stop();
        io.stop();
    });
    std::printf("zpos-agent listening on http://127.0.0.1:%d\n", server->port());
    std::fflush(stdout);
    platform::notify_service_manager("READY=1\nSTATUS=listening on http://127.0.0.1:" + std::to_string(server->port()));
    io.run();
    return 0;
}

}  // namespace

// The agent as the command line asks for it: console and service alike.
static int run(int argc, char** argv) {
    Invocation inv;
    std::string error;
    if (!parse_command_line(argc, argv, inv, error)) {
        std::fprintf(stderr, "zpos-agent: %s\n%s", error.c_str(), usage_text());
        return kUsage;
    }
    switch (inv.command) {
        case Command::version: std::printf("zpos-agent %s\n", ZPOSAPP_VERSION_STRING); return 0;
        case Command::help: std::fputs(usage_text(), stdout); return 0;
        default: break;
    }
    if (!resolve_state_dir(inv.config, error)) return fail(kUsage, error);
    if (inv.command == Command::token_rotate) {
        std::string token;
        if (!load_token(inv.config.state_dir, true, token, error)) return fail(1, error);
        std::printf("new token in %s/agent.token; a running agent takes it from its next request\n", inv.config.state_dir.c_str());
        return 0;
    }
    if (inv.command == Command::journal_export) {
        Journal journal;
        if (!journal.open(inv.config.state_dir + "/journal.sqlite3", error)) return fail(1, error);
        if (!export_csv(journal, inv.since, stdout)) return fail(kUsage, "--since takes a date, YYYY-MM-DD");
        return 0;
    }
    return serve(inv.config);
}

int main(int argc, char** argv) {
    int status = 0;
    if (platform::service_command(argc, argv, run, status)) return status;
    return run(argc, argv);
}
