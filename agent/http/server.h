// The HTTP/1.1 and WebSocket server on 127.0.0.1 and ::1: Host and Origin
// checked on every path, CORS preflights, a 64 KiB body limit, the events
// socket opened with a ticket. Everything runs on one network thread, which
// never waits on the library.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace boost::asio {
class io_context;
}

namespace zpos::agent {

struct Config;
class Api;
class Events;
class Tickets;

class Server {
public:
    Server(boost::asio::io_context& io, const Config& config, Api& api, Events& events, Tickets& tickets);
    ~Server();

    // Listens on 127.0.0.1:port (0: a free one) and on ::1 at the same port
    // where the system has IPv6.
    bool listen(int port, std::string& error);
    int port() const;
    void stop_accepting();

    // Runs `fn` after `ms` milliseconds on the network thread.
    void after(int ms, std::function<void()> fn);

private:
    struct State;
    std::unique_ptr<State> s_;
};

}  // namespace zpos::agent
