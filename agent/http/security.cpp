#include "agent/http/security.h"

#include <cctype>

#include "agent/config/state_dir.h"

namespace zpos::agent {

bool host_allowed(const std::string& host, int port) {
    std::string h;
    for (char c : host) h += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string p = ":" + std::to_string(port);
    return h == "127.0.0.1" + p || h == "[::1]" + p || h == "localhost" + p;
}

bool origin_allowed(const std::string& origin, const std::vector<std::string>& allowed) {
    for (const std::string& a : allowed)
        if (origin == a) return true;
    return false;
}

bool constant_time_equal(const std::string& a, const std::string& b) {
    if (b.empty()) return false;
    // Every byte is compared whatever the first difference: no early exit.
    unsigned diff = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i % b.size()]);
    volatile unsigned result = diff;
    return result == 0;
}

bool bearer_accepted(const std::string& authorization, const std::vector<std::string>& tokens) {
    static const std::string kScheme = "Bearer ";
    if (authorization.size() <= kScheme.size() || authorization.compare(0, kScheme.size(), kScheme) != 0) return false;
    std::string given = authorization.substr(kScheme.size());
    bool ok = false;
    // Every token is compared, so the time does not tell which one matched.
    for (const std::string& t : tokens) ok |= !t.empty() && constant_time_equal(given, t);
    return ok;
}

void Tickets::expire(std::chrono::steady_clock::time_point now) {
    for (auto it = outstanding_.begin(); it != outstanding_.end();)
        it = it->second <= now ? outstanding_.erase(it) : std::next(it);
}

std::string Tickets::issue() {
    auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(mutex_);
    expire(now);
    if (outstanding_.size() >= kMaxOutstanding) return "";
    std::string t = random_hex(24);
    outstanding_.emplace(t, now + std::chrono::seconds(kLifetimeSeconds));
    return t;
}

bool Tickets::consume(const std::string& ticket) {
    auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(mutex_);
    expire(now);
    return outstanding_.erase(ticket) == 1;
}

}  // namespace zpos::agent
