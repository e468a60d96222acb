// The HTTP API without the HTTP: a request as method, path, query, token and
// body, answered through a callback (at once, or later from the runner's
// thread or a timer). The server in agent/http has checked Host, Origin and
// the body's size before a request gets here.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace zpos::agent {

struct Config;
class Journal;
class Runner;
class Events;
class Metrics;
class Tickets;

struct ApiRequest {
    std::string method;
    std::string path;
    std::map<std::string, std::string> query;
    std::string authorization;
    std::string body;
};

struct ApiResponse {
    int status = 200;
    std::string body;
    std::string content_type = "application/json";
    std::vector<std::pair<std::string, std::string>> headers;
};

ApiResponse json_response(int status, const nlohmann::json& body);
ApiResponse error_response(int status, const std::string& code, nlohmann::json extra = nlohmann::json::object());

// Files served as they are (the OpenAPI document, the demo page's files).
struct StaticFile {
    const char* path;  // "/v1/openapi.yaml", "/demo/index.html", ...
    const char* content_type;
    const unsigned char* data;
    std::size_t size;
};

class Api {
public:
    using Respond = std::function<void(ApiResponse)>;
    // Runs `fn` after `ms` milliseconds on the network thread.
    using After = std::function<void(int ms, std::function<void()> fn)>;

    struct Parts {
        const Config& config;
        Journal& journal;
        Runner& runner;
        Events& events;
        Metrics& metrics;
        Tickets& tickets;
    };

    Api(Parts parts, std::string token, std::string secret, std::string demo_token,
        std::vector<StaticFile> files, After after);

    void handle(const ApiRequest& request, Respond respond);

    // The events that tell a client the present state of the running
    // transaction and of every in-doubt one, for a socket that cannot resume
    // where it stopped; each carries `seq`, the number of the last event so
    // far, and "current": true.
    std::vector<nlohmann::json> current_states(std::uint64_t seq);

private:
    void create(const ApiRequest& r, Respond& respond);
    void get(const std::string& id, const ApiRequest& r, Respond respond);
    void list(const ApiRequest& r, Respond& respond);
    void acknowledge(const std::string& id, Respond& respond);
    void resolve(const std::string& id, const ApiRequest& r, Respond& respond);
    void download(const ApiRequest& r, Respond& respond);
    void serve_file(const ApiRequest& r, Respond& respond);
    void readiness(Respond& respond);
    void wait_for_change(const std::string& id, const std::string& state, long long deadline_ms, std::uint64_t seen,
                         Respond respond);
    std::string body_hash(const nlohmann::json& body) const;
    bool authorized(const std::string& authorization);

    Parts p_;
    std::vector<std::string> tokens_;  // the agent's, then the demo page's
    long long token_stamp_ = 0;        // agent.token's change time, so a rotation takes effect at once
    std::string secret_;
    std::string demo_token_;
    std::vector<StaticFile> files_;
    After after_;
};

}  // namespace zpos::agent
