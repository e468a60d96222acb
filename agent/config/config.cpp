#include "agent/config/config.h"

#include <cctype>
#include <charconv>
#include <fstream>

#include "agent/platform/platform.h"

namespace zpos::agent {

namespace {

bool to_int(const std::string& s, int lo, int hi, int& out) {
    int v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool dotted_ipv4(const std::string& s) {
    int parts = 0;
    std::size_t i = 0;
    while (i <= s.size()) {
        std::size_t j = s.find('.', i);
        if (j == std::string::npos) j = s.size();
        int v;
        if (j == i || j - i > 3 || !to_int(s.substr(i, j - i), 0, 255, v)) return false;
        ++parts;
        i = j + 1;
    }
    return parts == 4;
}

bool host_name(const std::string& s) {
    if (s.empty() || s.size() > 15) return false;
    for (char c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.') return false;
    return true;
}

// One setting, from the command line or the settings file.
bool apply(Config& c, const std::string& key, const std::string& value, std::string& error) {
    if (key == "port") {
        if (!to_int(value, 0, 65535, c.port)) return error = "port: a number from 0 to 65535", false;
    } else if (key == "payment-host") {
        if (!parse_payment_host(value, c.payment_host, c.payment_port))
            return error = "payment-host: ADDR:PORT, ADDR a dotted IPv4 address or a name of at most 15 characters", false;
    } else if (key == "download-host") {
        if (!parse_payment_host(value, c.download_host, c.download_port))
            return error = "download-host: ADDR:PORT, as payment-host", false;
    } else if (key == "allow-origin") {
        if (value.empty()) return error = "allow-origin: an origin such as https://pos.example", false;
        c.allowed_origins.push_back(value);
    } else if (key == "ack-timeout") {
        if (!to_int(value, 1, 86400, c.ack_timeout_s)) return error = "ack-timeout: seconds, 1 to 86400", false;
    } else if (key == "retention-days") {
        if (!to_int(value, 1, 36500, c.retention_days)) return error = "retention-days: 1 to 36500", false;
    } else if (key == "state-dir") {
        c.state_dir = value;
    } else {
        return error = "unknown setting " + key, false;
    }
    return true;
}

std::string trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

// "key = value" lines; blank lines and lines starting with # are skipped.
bool read_settings_file(const std::string& path, Config& c, std::string& error) {
    std::ifstream in(path);
    if (!in) return error = "cannot read " + path, false;
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        line = trim(line);
        if (line.empty() || line[0] == '#') continue;
        std::size_t eq = line.find('=');
        std::string why;
        if (eq == std::string::npos || !apply(c, trim(line.substr(0, eq)), trim(line.substr(eq + 1)), why))
            return error = path + ":" + std::to_string(n) + ": " + (why.empty() ? "not key = value" : why), false;
    }
    return true;
}

}  // namespace

bool parse_payment_host(const std::string& text, std::string& host, int& port) {
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) return false;
    std::string h = text.substr(0, colon);
    int p;
    if (!to_int(text.substr(colon + 1), 1, 65535, p) || !(dotted_ipv4(h) || host_name(h))) return false;
    host = h;
    port = p;
    return true;
}

bool is_loopback_host(const std::string& host) {
    return host == "localhost" || (dotted_ipv4(host) && host.rfind("127.", 0) == 0);
}

bool parse_command_line(int argc, char** argv, Invocation& out, std::string& error) {
    int i = 1;
    std::string first = argc > 1 ? argv[1] : "";
    if (first == "token" && argc > 2 && std::string(argv[2]) == "rotate") {
        out.command = Command::token_rotate;
        i = 3;
    } else if (first == "journal" && argc > 2 && std::string(argv[2]) == "export") {
        out.command = Command::journal_export;
        i = 3;
    }
    // The settings file first, so that the command line wins over it.
    for (int j = i; j + 1 < argc; ++j)
        if (std::string(argv[j]) == "--config" && !read_settings_file(argv[j + 1], out.config, error)) return false;
    for (; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--version") {
            out.command = Command::version;
            return true;
        }
        if (a == "--help") {
            out.command = Command::help;
            return true;
        }
        if (a == "--demo") {
            out.config.demo = true;
            continue;
        }
        if (a.rfind("--", 0) != 0 || i + 1 >= argc) return error = "unexpected argument " + a, false;
        std::string value = argv[++i];
        if (a == "--config") continue;
        if (a == "--since" && out.command == Command::journal_export) {
            out.since = value;
            continue;
        }
        if (!apply(out.config, a.substr(2), value, error)) return false;
    }
    if (out.config.state_dir.empty()) out.config.state_dir = platform::default_state_dir();
    if (out.config.state_dir.empty()) return error = "--state-dir DIR is required", false;
    if (out.command == Command::journal_export && out.since.empty()) return error = "--since DATE is required", false;
    return true;
}

const char* usage_text() {
    return "usage: zpos-agent --state-dir DIR [--port N] [--payment-host ADDR:PORT] [--allow-origin ORIGIN]...\n"
           "                  [--download-host ADDR:PORT] [--ack-timeout S] [--retention-days N] [--config FILE] [--demo]\n"
           "       zpos-agent token rotate --state-dir DIR\n"
           "       zpos-agent journal export --state-dir DIR --since YYYY-MM-DD\n"
           "       zpos-agent --version | --help\n"
           "\n"
           "The local payment service: one transaction at a time through the library, journalled\n"
           "in DIR/journal.sqlite3, on http://127.0.0.1:PORT (7379 by default, 0 for a free port).\n"
           "DIR/agent.token holds the Bearer token every /v1/ request needs.\n"
           "The settings file holds the same settings as `key = value` lines (port, payment-host,\n"
           "download-host, allow-origin, ack-timeout, retention-days).\n"
           "Test hook: ZPOS_AGENT_KILL_AT=STATE kills the agent right after it commits that state.\n";
}

}  // namespace zpos::agent
