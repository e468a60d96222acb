#include "agent/journal/journal.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>

#include "agent/platform/platform.h"

namespace zpos::agent {

namespace {

constexpr char kSchema[] =
    "CREATE TABLE IF NOT EXISTS transactions ("
    " id TEXT PRIMARY KEY, idem_key TEXT, body_hash TEXT NOT NULL, type TEXT NOT NULL,"
    " state TEXT NOT NULL, in_doubt_reason TEXT NOT NULL DEFAULT '',"
    " created_ms INTEGER NOT NULL, updated_ms INTEGER NOT NULL, fields TEXT NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS transactions_key ON transactions(idem_key) WHERE idem_key IS NOT NULL;"
    "CREATE INDEX IF NOT EXISTS transactions_state ON transactions(state, created_ms);";

constexpr char kColumns[] = "id, idem_key, body_hash, type, state, in_doubt_reason, created_ms, updated_ms, fields";

std::string column_text(sqlite3_stmt* s, int i) {
    const unsigned char* t = sqlite3_column_text(s, i);
    return t ? reinterpret_cast<const char*>(t) : "";
}

}  // namespace

std::int64_t now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void kill_point(const std::string& state) {
    static const char* at = std::getenv("ZPOS_AGENT_KILL_AT");
    if (at && state == at) platform::kill_now();
}

std::string rfc3339(std::int64_t ms) {
    std::time_t t = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char out[40];
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
    return out;
}

nlohmann::json public_view(const Row& row) {
    nlohmann::json j = row.fields;
    j["id"] = row.id;
    j["type"] = row.type;
    j["state"] = row.state;
    if (!j.contains("approved")) j["approved"] = false;
    j["created_at"] = rfc3339(row.created_ms);
    j["updated_at"] = rfc3339(row.updated_ms);
    if (!row.in_doubt_reason.empty()) j["in_doubt_reason"] = row.in_doubt_reason;
    return j;
}

Journal::~Journal() {
    if (db_) sqlite3_close(db_);
}

bool Journal::exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool Journal::open(const std::string& path, std::string& error) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        error = "cannot open " + path + ": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
        if (db_) sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    sqlite3_busy_timeout(db_, 5000);
    // A committed state must survive a power cut: WAL, each commit synced.
    if (!exec("PRAGMA journal_mode=WAL;") || !exec("PRAGMA synchronous=FULL;") || !exec(kSchema)) {
        error = "cannot set up " + path + ": " + sqlite3_errmsg(db_);
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    return true;
}

bool Journal::write(const char* sql, const Row& row) {
    std::lock_guard lock(mutex_);
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK) return false;
    std::string fields = row.fields.dump();
    sqlite3_bind_text(s, 1, row.id.c_str(), -1, SQLITE_TRANSIENT);
    if (row.idem_key.empty()) sqlite3_bind_null(s, 2);
    else sqlite3_bind_text(s, 2, row.idem_key.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 3, row.body_hash.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 4, row.type.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 5, row.state.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 6, row.in_doubt_reason.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(s, 7, row.created_ms);
    sqlite3_bind_int64(s, 8, row.updated_ms);
    sqlite3_bind_text(s, 9, fields.c_str(), -1, SQLITE_TRANSIENT);
    bool ok = sqlite3_step(s) == SQLITE_DONE;
    sqlite3_finalize(s);
    if (ok) ++changes_;
    return ok;
}

bool Journal::insert(Row& row) {
    row.created_ms = row.updated_ms = now_ms();
    bool ok = write("INSERT INTO transactions (id, idem_key, body_hash, type, state, in_doubt_reason, created_ms,"
                    " updated_ms, fields) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)",
                    row);
    if (ok) kill_point(row.state);
    return ok;
}

bool Journal::update(Row& row) {
    row.updated_ms = now_ms();
    bool ok = write("UPDATE transactions SET state = ?5, in_doubt_reason = ?6, updated_ms = ?8, fields = ?9 WHERE id = ?1",
                    row);
    if (ok) kill_point(row.state);
    return ok;
}

std::vector<Row> Journal::query(const std::string& sql, const std::vector<std::string>& args) {
    std::lock_guard lock(mutex_);
    std::vector<Row> rows;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) return rows;
    for (std::size_t i = 0; i < args.size(); ++i)
        sqlite3_bind_text(s, static_cast<int>(i + 1), args[i].c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(s) == SQLITE_ROW) {
        Row r;
        r.id = column_text(s, 0);
        r.idem_key = column_text(s, 1);
        r.body_hash = column_text(s, 2);
        r.type = column_text(s, 3);
        r.state = column_text(s, 4);
        r.in_doubt_reason = column_text(s, 5);
        r.created_ms = sqlite3_column_int64(s, 6);
        r.updated_ms = sqlite3_column_int64(s, 7);
        r.fields = nlohmann::json::parse(column_text(s, 8), nullptr, false);
        if (r.fields.is_discarded()) r.fields = nlohmann::json::object();
        rows.push_back(std::move(r));
    }
    sqlite3_finalize(s);
    return rows;
}

std::optional<Row> Journal::get(const std::string& id) {
    auto rows = query(std::string("SELECT ") + kColumns + " FROM transactions WHERE id = ?1", {id});
    if (rows.empty()) return std::nullopt;
    return rows.front();
}

std::optional<Row> Journal::by_key(const std::string& key, std::int64_t since_ms) {
    auto rows = query(std::string("SELECT ") + kColumns +
                          " FROM transactions WHERE idem_key = ?1 AND created_ms >= CAST(?2 AS INTEGER)",
                      {key, std::to_string(since_ms)});
    if (rows.empty()) return std::nullopt;
    return rows.front();
}

std::vector<Row> Journal::list(const std::string& state, std::int64_t since_ms, int limit) {
    return query(std::string("SELECT ") + kColumns +
                     " FROM transactions WHERE (?1 = '' OR state = ?1) AND created_ms >= CAST(?2 AS INTEGER)"
                     " ORDER BY created_ms DESC, rowid DESC LIMIT CAST(?3 AS INTEGER)",
                 {state, std::to_string(since_ms), std::to_string(limit)});
}

std::int64_t Journal::count(const std::string& state) {
    std::lock_guard lock(mutex_);
    sqlite3_stmt* s = nullptr;
    std::int64_t n = 0;
    if (sqlite3_prepare_v2(db_, "SELECT COUNT(*) FROM transactions WHERE state = ?1", -1, &s, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(s, 1, state.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(s) == SQLITE_ROW) n = sqlite3_column_int64(s, 0);
    }
    sqlite3_finalize(s);
    return n;
}

int Journal::recover() {
    static const struct {
        const char* state;
        const char* reason;
    } kReasons[] = {
        {"pending", "stopped during the host exchange"},
        {"approved", "approved, never acknowledged"},
        {"acknowledging", "stopped during the acknowledgement"},
    };
    int n = 0;
    for (const auto& r : kReasons) {
        for (Row row : query(std::string("SELECT ") + kColumns + " FROM transactions WHERE state = ?1", {r.state})) {
            row.state = "in_doubt";
            row.in_doubt_reason = r.reason;
            if (update(row)) ++n;
        }
    }
    return n;
}

int Journal::prune(int days, std::int64_t key_ms) {
    std::lock_guard lock(mutex_);
    std::int64_t now = now_ms();
    std::string rows = "DELETE FROM transactions WHERE state <> 'in_doubt' AND created_ms < " +
                       std::to_string(now - static_cast<std::int64_t>(days) * 86400000);
    std::string keys =
        "UPDATE transactions SET idem_key = NULL WHERE idem_key IS NOT NULL AND created_ms < " + std::to_string(now - key_ms);
    sqlite3_exec(db_, keys.c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db_, rows.c_str(), nullptr, nullptr, nullptr);
    ++changes_;
    return sqlite3_changes(db_);
}

}  // namespace zpos::agent
