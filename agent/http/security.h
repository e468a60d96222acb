// The checks every request passes before it reaches the API: the Host
// header (so a DNS-rebinding page gets nowhere), the Origin allow-list, the
// bearer token compared in constant time, and the single-use tickets that
// stand in for the token on the events socket.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace zpos::agent {

// Exactly 127.0.0.1:PORT, [::1]:PORT or localhost:PORT, any case.
bool host_allowed(const std::string& host, int port);

// An Origin header (present: "null" included) must be on the list.
bool origin_allowed(const std::string& origin, const std::vector<std::string>& allowed);

// True when the two strings are equal; the time taken depends on their
// lengths only.
bool constant_time_equal(const std::string& a, const std::string& b);

// "Bearer <token>" with one of the accepted tokens.
bool bearer_accepted(const std::string& authorization, const std::vector<std::string>& tokens);

class Tickets {
public:
    static constexpr int kLifetimeSeconds = 30;
    static constexpr std::size_t kMaxOutstanding = 100;

    // A new ticket, or "" when too many are outstanding.
    std::string issue();
    // True once for a ticket issued less than 30 s ago.
    bool consume(const std::string& ticket);

private:
    void expire(std::chrono::steady_clock::time_point now);
    std::mutex mutex_;
    std::map<std::string, std::chrono::steady_clock::time_point> outstanding_;
};

}  // namespace zpos::agent
