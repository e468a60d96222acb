#include "agent/api/api.h"

#include <ctime>
#include <fstream>

#include "agent/api/validate.h"
#include "agent/config/config.h"
#include "agent/config/state_dir.h"
#include "agent/events/events.h"
#include "agent/http/security.h"
#include "agent/journal/journal.h"
#include "agent/metrics/metrics.h"
#include "agent/platform/platform.h"
#include "agent/runner/runner.h"

namespace zpos::agent {

namespace {

constexpr long long kKeyKeptMs = 48LL * 3600 * 1000;
constexpr int kMaxWaitSeconds = 60;
// A long poll looks at the journal's change counter (an atomic read) this often;
// the row is read only after a change.
constexpr int kWaitPollMs = 2;
constexpr char kDemoTokenPlaceholder[] = "__ZPOS_DEMO_TOKEN__";

const char* const kStates[] = {"pending",       "approved",  "declined", "failed",  "acknowledging",
                               "completed",     "in_doubt",  "resolved"};

bool parse_int(const std::string& s, long long lo, long long hi, long long& out) {
    if (s.empty() || s.size() > 18) return false;
    long long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi) return false;
    out = v;
    return true;
}

// YYYY-MM-DD or YYYY-MM-DDThh:mm:ssZ (UTC), as milliseconds since 1970.
bool parse_since(const std::string& s, long long& ms) {
    std::tm tm{};
    int y, mo, d, h = 0, mi = 0, sec = 0;
    char tail = 0;
    bool ok = (s.size() == 10 && std::sscanf(s.c_str(), "%4d-%2d-%2d%c", &y, &mo, &d, &tail) == 3) ||
              (s.size() == 20 && std::sscanf(s.c_str(), "%4d-%2d-%2dT%2d:%2d:%2dZ", &y, &mo, &d, &h, &mi, &sec) == 6);
    if (!ok || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || sec > 60) return false;
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = sec;
    ms = static_cast<long long>(timegm(&tm)) * 1000;
    return true;
}

nlohmann::json parse_body(const std::string& body, bool& malformed) {
    nlohmann::json j = nlohmann::json::parse(body, nullptr, false);
    malformed = j.is_discarded();
    return j;
}

}  // namespace

ApiResponse json_response(int status, const nlohmann::json& body) {
    ApiResponse r;
    r.status = status;
    r.body = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return r;
}

ApiResponse error_response(int status, const std::string& code, nlohmann::json extra) {
    extra["error"] = code;
    return json_response(status, extra);
}

Api::Api(Parts parts, std::string token, std::string secret, std::string demo_token, std::vector<StaticFile> files,
         After after)
    : p_(parts), secret_(std::move(secret)), demo_token_(std::move(demo_token)), files_(std::move(files)),
      after_(std::move(after)) {
    tokens_.push_back(std::move(token));
    if (!demo_token_.empty()) tokens_.push_back(demo_token_);
}

std::string Api::body_hash(const nlohmann::json& body) const {
    // The body as nlohmann writes it (keys sorted), keyed with the
    // installation's secret: equal bodies compare equal, and the track never
    // reaches the journal in a form that can be read or guessed offline.
    std::string canonical = body.dump();
    std::string mac = platform::hmac_sha256(secret_, canonical);
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : mac) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

void Api::handle(const ApiRequest& r, Respond respond) {
    const std::string& path = r.path;
    if (path == "/healthz" && r.method == "GET") return respond(json_response(200, {{"status", "ok"}}));
    if (path == "/readyz" && r.method == "GET") return readiness(respond);
    if (path == "/metrics" && r.method == "GET") {
        ApiResponse m;
        m.content_type = "text/plain; version=0.0.4; charset=utf-8";
        m.body = p_.metrics.render(p_.journal.count("in_doubt"), backup_route_in_force(p_.config.state_dir),
                                   p_.runner.running(), p_.runner.stuck());
        return respond(m);
    }
    if (r.method == "GET" && (path.rfind("/demo/", 0) == 0 || path == "/demo")) return serve_file(r, respond);
    if (path.rfind("/v1/", 0) != 0) return respond(error_response(404, "not_found"));
    if (!authorized(r.authorization)) return respond(error_response(401, "unauthorized"));

    if (path == "/v1/openapi.yaml" && r.method == "GET") return serve_file(r, respond);
    if (path == "/v1/transactions") {
        if (r.method == "POST") return create(r, respond);
        if (r.method == "GET") return list(r, respond);
    }
    if (path == "/v1/downloads" && r.method == "POST") return download(r, respond);
    if (path == "/v1/event-tickets" && r.method == "POST") {
        std::string t = p_.tickets.issue();
        if (t.empty()) return respond(error_response(429, "too_many_tickets"));
        return respond(json_response(201, {{"ticket", t}, {"expires_in", Tickets::kLifetimeSeconds}}));
    }
    static const std::string kTx = "/v1/transactions/";
    if (path.rfind(kTx, 0) == 0) {
        std::string rest = path.substr(kTx.size());
        std::size_t slash = rest.find('/');
        std::string id = rest.substr(0, slash);
        std::string action = slash == std::string::npos ? "" : rest.substr(slash + 1);
        if (!id.empty()) {
            if (action.empty() && r.method == "GET") return get(id, r, respond);
            if (action == "acknowledge" && r.method == "POST") return acknowledge(id, respond);
            if (action == "resolve" && r.method == "POST") return resolve(id, r, respond);
        }
    }
    respond(error_response(404, "not_found"));
}

bool Api::authorized(const std::string& authorization) {
    // `zpos-agent token rotate` rewrites the file: the new token holds from
    // the next request on, the old one no longer.
    std::string path = p_.config.state_dir + "/agent.token";
    long long stamp = platform::modified_ns(path);
    if (stamp >= 0) {
        std::ifstream in(path);
        std::string token;
        if (stamp != token_stamp_ && std::getline(in, token) && !token.empty()) {
            tokens_[0] = token;
            token_stamp_ = stamp;
        }
    }
    return bearer_accepted(authorization, tokens_);
}

void Api::readiness(Respond& respond) {
    // The library is linked, not loaded at run time: it is there when the
    // agent runs at all.
    nlohmann::json failed = nlohmann::json::array();
    if (!dir_writable(p_.config.state_dir)) failed.push_back("state_dir");
    if (!p_.journal.is_open()) failed.push_back("journal");
    if (p_.runner.stuck()) failed.push_back("stuck");
    bool ready = failed.empty();
    respond(json_response(ready ? 200 : 503, {{"status", ready ? "ok" : "unavailable"}, {"failed", failed}}));
}

void Api::create(const ApiRequest& r, Respond& respond) {
    bool malformed = false;
    nlohmann::json body = parse_body(r.body, malformed);
    if (malformed) return respond(error_response(400, "malformed", {{"message", "the body is not JSON"}}));
    TxRequest tx;
    FieldErrors errors;
    if (!validate_transaction(body, p_.config, tx, errors))
        return respond(error_response(422, "invalid", {{"fields", errors}}));

    // The key before the busy rule: a retry of the running transaction gets
    // that transaction, not "busy".
    std::string key = body["idempotency_key"].get<std::string>();
    std::string hash = body_hash(body);
    if (auto existing = p_.journal.by_key(key, now_ms() - kKeyKeptMs)) {
        if (existing->body_hash != hash) return respond(error_response(409, "idempotency_conflict"));
        return respond(json_response(200, public_view(*existing)));
    }
    Row row;
    row.id = "tx_" + random_hex(12);
    row.idem_key = key;
    row.body_hash = hash;
    row.type = tx.type;
    row.fields["amount"] = tx.amount;
    row.fields["terminal_id"] = tx.terminal_id;
    row.fields["acknowledge"] = tx.auto_ack ? "auto" : "manual";
    if (!tx.track2.empty()) row.fields["card"] = masked_card(tx.track2);
    std::string active, error;
    if (!p_.runner.begin(row, tx, active, error)) {
        if (!error.empty()) return respond(error_response(503, "journal_unavailable", {{"message", error}}));
        return respond(error_response(409, "busy", {{"active", active}}));
    }
    ApiResponse created = json_response(201, {{"id", row.id}, {"state", row.state}});
    created.headers.emplace_back("Location", "/v1/transactions/" + row.id);
    respond(created);
}

void Api::get(const std::string& id, const ApiRequest& r, Respond respond) {
    // Counted before the read: a change that lands between the two ends the
    // wait at once instead of being missed.
    std::uint64_t seen = p_.journal.changes();
    auto row = p_.journal.get(id);
    if (!row) return respond(error_response(404, "not_found"));
    long long wait = 0;
    auto w = r.query.find("wait");
    if (w != r.query.end() && !parse_int(w->second, 0, kMaxWaitSeconds, wait))
        return respond(error_response(422, "invalid", {{"fields", {{"wait", "must be seconds, 0 to 60"}}}}));
    if (wait == 0) return respond(json_response(200, public_view(*row)));
    wait_for_change(id, row->state, now_ms() + wait * 1000, seen, std::move(respond));
}

void Api::wait_for_change(const std::string& id, const std::string& state, long long deadline_ms, std::uint64_t seen,
                          Respond respond) {
    // Polled on the network thread's timer: a long poll holds no thread.
    after_(kWaitPollMs, [this, id, state, deadline_ms, seen, respond = std::move(respond)]() mutable {
        std::uint64_t now_seen = p_.journal.changes();
        if (now_seen != seen || now_ms() >= deadline_ms) {
            auto row = p_.journal.get(id);
            if (!row) return respond(error_response(404, "not_found"));
            if (row->state != state || now_ms() >= deadline_ms) return respond(json_response(200, public_view(*row)));
        }
        wait_for_change(id, state, deadline_ms, now_seen, std::move(respond));
    });
}

void Api::list(const ApiRequest& r, Respond& respond) {
    FieldErrors errors;
    std::string state;
    long long since = 0, limit = 100;
    for (const auto& [name, value] : r.query) {
        if (name == "state") {
            bool known = false;
            for (const char* s : kStates) known |= value == s;
            if (!known) errors[name] = "must be a transaction state";
            state = value;
        } else if (name == "since") {
            if (!parse_since(value, since)) errors[name] = "must be YYYY-MM-DD or YYYY-MM-DDThh:mm:ssZ";
        } else if (name == "limit") {
            if (!parse_int(value, 1, 1000, limit)) errors[name] = "must be from 1 to 1000";
        } else {
            errors[name] = "unknown parameter";
        }
    }
    if (!errors.empty()) return respond(error_response(422, "invalid", {{"fields", errors}}));
    nlohmann::json out = nlohmann::json::array();
    for (const Row& row : p_.journal.list(state, since, static_cast<int>(limit))) out.push_back(public_view(row));
    respond(json_response(200, {{"transactions", out}}));
}

void Api::acknowledge(const std::string& id, Respond& respond) {
    if (p_.runner.acknowledge(id) == Runner::AckAnswer::queued)
        return respond(json_response(202, {{"id", id}, {"state", "acknowledging"}}));
    auto row = p_.journal.get(id);
    if (!row) return respond(error_response(404, "not_found"));
    // Never sent on another transaction's link: only the approval waiting
    // for it is acknowledged.
    respond(error_response(409, "conflict", {{"state", row->state}, {"transaction", public_view(*row)}}));
}

void Api::resolve(const std::string& id, const ApiRequest& r, Respond& respond) {
    bool malformed = false;
    nlohmann::json body = parse_body(r.body, malformed);
    if (malformed) return respond(error_response(400, "malformed", {{"message", "the body is not JSON"}}));
    FieldErrors errors;
    std::string resolution, note;
    if (!body.is_object()) {
        errors["body"] = "must be a JSON object";
    } else {
        for (const auto& [name, value] : body.items()) {
            if (name == "resolution") {
                if (!value.is_string() || (value != "confirmed_with_help_desk" && value != "cancelled" && value != "dismissed"))
                    errors[name] = "must be confirmed_with_help_desk, cancelled or dismissed";
                else resolution = value.get<std::string>();
            } else if (name == "note") {
                if (!value.is_string() || value.get<std::string>().size() > 500) errors[name] = "must be text of at most 500 bytes";
                else note = value.get<std::string>();
            } else {
                errors[name] = "unknown field";
            }
        }
        if (!body.contains("resolution")) errors["resolution"] = "required";
    }
    if (!errors.empty()) return respond(error_response(422, "invalid", {{"fields", errors}}));
    auto row = p_.journal.get(id);
    if (!row) return respond(error_response(404, "not_found"));
    if (row->state != "in_doubt") return respond(error_response(409, "conflict", {{"state", row->state}}));
    row->state = "resolved";
    row->fields["resolution"] = {{"resolution", resolution}, {"note", note}, {"resolved_at", rfc3339(now_ms())}};
    if (!p_.journal.update(*row)) return respond(error_response(503, "journal_unavailable"));
    p_.events.publish({{"type", "state"}, {"transaction_id", id}, {"state", row->state}, {"transaction", public_view(*row)}});
    respond(json_response(200, public_view(*row)));
}

void Api::download(const ApiRequest& r, Respond& respond) {
    bool malformed = false;
    nlohmann::json body = parse_body(r.body, malformed);
    if (malformed) return respond(error_response(400, "malformed", {{"message", "the body is not JSON"}}));
    std::string request;
    FieldErrors errors;
    if (!validate_download(body, request, errors)) return respond(error_response(422, "invalid", {{"fields", errors}}));
    std::string active;
    Respond later = respond;
    if (!p_.runner.download(request, [later](nlohmann::json j) { later(json_response(200, j)); }, active))
        respond(error_response(409, "busy", {{"active", active}}));
}

void Api::serve_file(const ApiRequest& r, Respond& respond) {
    std::string path = r.path == "/demo" || r.path == "/demo/" ? "/demo/index.html" : r.path;
    bool demo = path.rfind("/demo/", 0) == 0;
    if (demo && !p_.config.demo) return respond(error_response(404, "not_found"));
    for (const StaticFile& f : files_) {
        if (path != f.path) continue;
        ApiResponse out;
        out.content_type = f.content_type;
        out.body.assign(reinterpret_cast<const char*>(f.data), f.size);
        if (path == "/demo/index.html") {
            std::size_t at = out.body.find(kDemoTokenPlaceholder);
            if (at != std::string::npos) out.body.replace(at, sizeof kDemoTokenPlaceholder - 1, demo_token_);
            out.headers.emplace_back("Cache-Control", "no-store");
        }
        return respond(out);
    }
    respond(error_response(404, "not_found"));
}

std::vector<nlohmann::json> Api::current_states(std::uint64_t seq) {
    std::vector<Row> rows = p_.journal.list("in_doubt", 0, 1000);
    std::string active = p_.runner.active();
    if (auto row = active.empty() ? std::nullopt : p_.journal.get(active); row && row->state != "in_doubt")
        rows.insert(rows.begin(), *row);
    std::vector<nlohmann::json> out;
    for (const Row& row : rows)
        out.push_back({{"type", "state"}, {"transaction_id", row.id}, {"state", row.state},
                       {"transaction", public_view(row)}, {"boot_id", p_.events.boot_id()}, {"seq", seq},
                       {"current", true}});
    return out;
}

}  // namespace zpos::agent
