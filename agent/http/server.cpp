#include "agent/http/server.h"

// Boost 1.74's asio uses std::exchange without including <utility>.
#include <utility>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <deque>
#include <functional>

#include "agent/api/api.h"
#include "agent/config/config.h"
#include "agent/events/events.h"
#include "agent/http/security.h"

namespace zpos::agent {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

constexpr std::size_t kBodyLimit = 64 * 1024;
constexpr std::size_t kSubscriberQueue = 256;  // events a subscriber may fall behind before it is dropped
constexpr auto kIdleTimeout = std::chrono::seconds(120);
constexpr auto kWriteTimeout = std::chrono::seconds(30);

struct Shared {
    asio::io_context& io;
    const Config& config;
    Api& api;
    Events& events;
    Tickets& tickets;
    int port = 0;
};

std::map<std::string, std::string> parse_query(std::string_view q) {
    auto decode = [](std::string_view s) {
        std::string out;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(s[i + 1]) && std::isxdigit(s[i + 2])) {
                out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
                i += 2;
            } else {
                out += s[i] == '+' ? ' ' : s[i];
            }
        }
        return out;
    };
    std::map<std::string, std::string> out;
    while (!q.empty()) {
        std::size_t amp = q.find('&');
        std::string_view part = q.substr(0, amp);
        std::size_t eq = part.find('=');
        out[decode(part.substr(0, eq))] = eq == std::string_view::npos ? "" : decode(part.substr(eq + 1));
        if (amp == std::string_view::npos) break;
        q.remove_prefix(amp + 1);
    }
    return out;
}

// ---- The events socket ----

class EventSession : public std::enable_shared_from_this<EventSession> {
public:
    EventSession(Shared& shared, tcp::socket socket) : shared_(shared), ws_(std::move(socket)) {}
    ~EventSession() {
        if (id_) shared_.events.unsubscribe(id_);
    }

    void start(http::request<http::string_body> request, std::uint64_t after, bool same_boot) {
        beast::get_lowest_layer(ws_).expires_never();
        ws_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
        ws_.async_accept(request, [self = shared_from_this(), after, same_boot](beast::error_code ec) {
            if (!ec) self->subscribe(after, same_boot);
        });
    }

private:
    void subscribe(std::uint64_t after, bool same_boot) {
        std::weak_ptr<EventSession> weak = shared_from_this();
        auto executor = ws_.get_executor();
        bool resumable = false;
        std::uint64_t last = 0;
        id_ = shared_.events.subscribe(
            after, same_boot,
            [weak, executor](const std::string& text) {
                asio::post(executor, [weak, text] {
                    if (auto self = weak.lock()) self->push(text);
                });
            },
            resumable, last);
        if (!resumable)
            for (const auto& e : shared_.api.current_states(last)) push(e.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
        read();
    }

    // The client sends nothing the agent needs; reading notices when it goes.
    void read() {
        ws_.async_read(in_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (ec) return self->drop();
            self->in_.consume(self->in_.size());
            self->read();
        });
    }

    void push(const std::string& text) {
        if (dropped_) return;
        // A subscriber that does not keep up is dropped; the transaction
        // never waits for it.
        if (queue_.size() >= kSubscriberQueue) return drop();
        queue_.push_back(text);
        if (queue_.size() == 1) write();
    }

    void write() {
        ws_.text(true);
        ws_.async_write(asio::buffer(queue_.front()), [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (ec) return self->drop();
            self->queue_.pop_front();
            if (!self->queue_.empty()) self->write();
        });
    }

    void drop() {
        if (dropped_) return;
        dropped_ = true;
        if (id_) shared_.events.unsubscribe(id_);
        id_ = 0;
        beast::error_code ec;
        beast::get_lowest_layer(ws_).socket().shutdown(tcp::socket::shutdown_both, ec);
        beast::get_lowest_layer(ws_).socket().close(ec);
    }

    Shared& shared_;
    websocket::stream<beast::tcp_stream> ws_;
    beast::flat_buffer in_;
    std::deque<std::string> queue_;
    int id_ = 0;
    bool dropped_ = false;
};

// ---- HTTP ----

class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    HttpSession(Shared& shared, tcp::socket socket) : shared_(shared), stream_(std::move(socket)) {}

    void read() {
        parser_.emplace();
        parser_->body_limit(kBodyLimit);
        parser_->header_limit(16 * 1024);
        stream_.expires_after(kIdleTimeout);
        http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
            self->on_read(ec);
        });
    }

private:
    using Response = http::response<http::string_body>;

    void on_read(beast::error_code ec) {
        if (ec == http::error::end_of_stream || ec == beast::error::timeout || ec == asio::error::operation_aborted)
            return close();
        if (ec == http::error::body_limit) {
            keep_alive_ = false;
            return send(error_response(413, "too_large", {{"message", "the body is over 64 KiB"}}));
        }
        if (ec) {
            keep_alive_ = false;
            return send(error_response(400, "malformed", {{"message", ec.message()}}));
        }
        request_ = parser_->release();
        keep_alive_ = request_.keep_alive();
        origin_.clear();
        handle();
    }

    void handle() {
        const Config& c = shared_.config;
        auto host = request_.find(http::field::host);
        if (host == request_.end() || !host_allowed(std::string(host->value()), shared_.port))
            return send(error_response(403, "forbidden_host"));
        auto origin = request_.find(http::field::origin);
        if (origin != request_.end()) {
            if (!origin_allowed(std::string(origin->value()), c.allowed_origins))
                return send(error_response(403, "forbidden_origin"));
            origin_ = std::string(origin->value());
        }
        std::string_view target(request_.target().data(), request_.target().size());
        std::size_t qm = target.find('?');
        std::string path(target.substr(0, qm));
        auto query = parse_query(qm == std::string_view::npos ? std::string_view() : target.substr(qm + 1));

        if (request_.method() == http::verb::options) {
            ApiResponse r;
            r.status = 204;
            r.content_type.clear();
            if (!origin_.empty()) {
                r.headers = {{"Access-Control-Allow-Methods", "GET, POST, OPTIONS"},
                             {"Access-Control-Allow-Headers", "Authorization, Content-Type"},
                             {"Access-Control-Allow-Private-Network", "true"},
                             {"Access-Control-Max-Age", "600"}};
            }
            return send(r);
        }
        if (path == "/v1/events") {
            if (!websocket::is_upgrade(request_)) return send(error_response(400, "malformed", {{"message", "a WebSocket upgrade"}}));
            // The ticket, never the token, is what a browser can put in the URL.
            auto t = query.find("ticket");
            if (t == query.end() || !shared_.tickets.consume(t->second)) return send(error_response(401, "unauthorized"));
            // Without ?after= only what happens from now on: the replay is
            // for a client that resumes.
            std::uint64_t after = shared_.events.last_seq();
            auto a = query.find("after");
            if (a != query.end()) {
                try {
                    after = std::stoull(a->second);
                } catch (...) {
                    return send(error_response(422, "invalid", {{"fields", {{"after", "must be a sequence number"}}}}));
                }
            }
            auto b = query.find("boot_id");
            bool same_boot = b == query.end() || b->second == shared_.events.boot_id();
            auto session = std::make_shared<EventSession>(shared_, stream_.release_socket());
            session->start(std::move(request_), after, same_boot);
            return;
        }
        ApiRequest r;
        r.method = std::string(request_.method_string());
        r.path = path;
        r.query = std::move(query);
        if (auto a = request_.find(http::field::authorization); a != request_.end()) r.authorization = std::string(a->value());
        r.body = std::move(request_.body());
        auto executor = stream_.get_executor();
        // Kept alive by the pending answer, which may come from the runner's
        // thread or a timer.
        auto self = shared_from_this();
        shared_.api.handle(r, [self, executor](ApiResponse answer) {
            asio::post(executor, [self, answer = std::move(answer)]() mutable { self->send(std::move(answer)); });
        });
    }

    void send(ApiResponse a) {
        auto res = std::make_shared<Response>(static_cast<http::status>(a.status), 11);
        res->set(http::field::server, "zpos-agent");
        if (!a.content_type.empty()) res->set(http::field::content_type, a.content_type);
        res->set(http::field::cache_control, "no-store");
        for (const auto& [name, value] : a.headers) res->set(name, value);
        if (!origin_.empty()) res->set(http::field::access_control_allow_origin, origin_);
        res->set(http::field::vary, "Origin");
        res->keep_alive(keep_alive_);
        res->body() = std::move(a.body);
        res->prepare_payload();
        // The read's deadline may have run on while a long poll waited.
        stream_.expires_after(kWriteTimeout);
        http::async_write(stream_, *res, [self = shared_from_this(), res](beast::error_code ec, std::size_t) {
            if (ec || !self->keep_alive_) return self->close();
            self->read();
        });
    }

    void close() {
        beast::error_code ec;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
    }

    Shared& shared_;
    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    http::request<http::string_body> request_;
    bool keep_alive_ = true;
    std::string origin_;
};

}  // namespace

struct Server::State {
    Shared shared;
    std::vector<std::unique_ptr<tcp::acceptor>> acceptors;

    void accept(tcp::acceptor& a) {
        a.async_accept([this, &a](beast::error_code ec, tcp::socket socket) {
            if (ec == asio::error::operation_aborted || !a.is_open()) return;
            if (!ec) std::make_shared<HttpSession>(shared, std::move(socket))->read();
            accept(a);
        });
    }
};

Server::Server(asio::io_context& io, const Config& config, Api& api, Events& events, Tickets& tickets)
    : s_(new State{Shared{io, config, api, events, tickets, 0}, {}}) {}

Server::~Server() = default;

bool Server::listen(int port, std::string& error) {
    auto open = [&](const tcp::endpoint& at, beast::error_code& ec) {
        auto a = std::make_unique<tcp::acceptor>(s_->shared.io);
        a->open(at.protocol(), ec);
        if (!ec && at.address().is_v6()) a->set_option(asio::ip::v6_only(true), ec);
        if (!ec) a->set_option(asio::socket_base::reuse_address(true), ec);
        if (!ec) a->bind(at, ec);
        if (!ec) a->listen(asio::socket_base::max_listen_connections, ec);
        if (ec) return std::unique_ptr<tcp::acceptor>();
        return a;
    };
    beast::error_code ec;
    auto v4 = open(tcp::endpoint(asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)), ec);
    if (!v4) return error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + ec.message(), false;
    s_->shared.port = v4->local_endpoint().port();
    s_->acceptors.push_back(std::move(v4));
    // ::1 where the system has it; 127.0.0.1 alone serves every client otherwise.
    if (auto v6 = open(tcp::endpoint(asio::ip::make_address("::1"), static_cast<unsigned short>(s_->shared.port)), ec))
        s_->acceptors.push_back(std::move(v6));
    for (auto& a : s_->acceptors) s_->accept(*a);
    return true;
}

int Server::port() const { return s_->shared.port; }

void Server::stop_accepting() {
    for (auto& a : s_->acceptors) {
        beast::error_code ec;
        a->close(ec);
    }
}

void Server::after(int ms, std::function<void()> fn) {
    auto timer = std::make_shared<asio::steady_timer>(s_->shared.io, std::chrono::milliseconds(ms));
    timer->async_wait([timer, fn = std::move(fn)](beast::error_code ec) {
        if (!ec) fn();
    });
}

}  // namespace zpos::agent
