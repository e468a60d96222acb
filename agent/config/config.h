// The agent's configuration: the command line, and the settings file it may
// name. The payment host lives here and nowhere else, so no request can send
// card data to another address.
#pragma once

#include <string>
#include <vector>

namespace zpos::agent {

struct Config {
    std::string state_dir;
    int port = 7379;
    std::string payment_host = "127.0.0.1";
    int payment_port = 10902;
    std::string download_host;  // empty: the payment host's address and port
    int download_port = 0;
    std::vector<std::string> allowed_origins;
    int ack_timeout_s = 120;
    int retention_days = 90;
    bool demo = false;
};

// What the command line asks for.
enum class Command { serve, token_rotate, journal_export, version, help };

struct Invocation {
    Command command = Command::serve;
    Config config;
    std::string since;  // journal export: YYYY-MM-DD
};

// Parses argv; false with a message in `error` for anything wrong (the
// caller exits with status 2).
bool parse_command_line(int argc, char** argv, Invocation& out, std::string& error);

// "ADDR:PORT", where ADDR is what the library takes: a dotted IPv4 address or
// a name of at most 15 characters.
bool parse_payment_host(const std::string& text, std::string& host, int& port);

// True for 127.0.0.0/8 and "localhost".
bool is_loopback_host(const std::string& host);

const char* usage_text();

}  // namespace zpos::agent
