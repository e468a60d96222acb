// The transaction journal: one SQLite row per transaction, committed before
// each step that could lose it (WAL, synchronous=FULL). It holds the masked
// card and the public reply fields, never a track or a full card number.
#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace zpos::agent {

struct Row {
    std::string id;
    std::string idem_key;
    std::string body_hash;
    std::string type;
    std::string state;
    std::string in_doubt_reason;
    std::int64_t created_ms = 0;  // wall clock, for people and the retention
    std::int64_t updated_ms = 0;
    nlohmann::json fields = nlohmann::json::object();  // the public fields
};

// The transaction as the API shows it.
nlohmann::json public_view(const Row& row);

class Journal {
public:
    Journal() = default;
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    bool open(const std::string& path, std::string& error);
    bool is_open() const { return db_ != nullptr; }

    // Each commits before it returns; false when the write failed.
    bool insert(Row& row);
    bool update(Row& row);

    std::optional<Row> get(const std::string& id);
    // The transaction created with `key` at or after `since_ms`.
    std::optional<Row> by_key(const std::string& key, std::int64_t since_ms);
    // Newest first; an empty state means any.
    std::vector<Row> list(const std::string& state, std::int64_t since_ms, int limit);
    std::int64_t count(const std::string& state);

    // At start: every row a crash left in the middle of a step becomes
    // in_doubt with its reason. Returns how many.
    int recover();
    // Rows older than `days` go, in_doubt ones never; idempotency keys older
    // than `key_ms` are released.
    int prune(int days, std::int64_t key_ms);

    // A counter that rises with every committed change.
    std::uint64_t changes() const { return changes_; }

private:
    bool exec(const char* sql);
    bool write(const char* sql, const Row& row);
    std::vector<Row> query(const std::string& sql, const std::vector<std::string>& args);

    sqlite3* db_ = nullptr;
    std::mutex mutex_;
    std::atomic<std::uint64_t> changes_{0};
};

std::int64_t now_ms();
// 2026-12-07T16:42:00.123Z
std::string rfc3339(std::int64_t ms);

// The test hook: kills the process right after `state` was committed when
// ZPOS_AGENT_KILL_AT names it.
void kill_point(const std::string& state);

}  // namespace zpos::agent
