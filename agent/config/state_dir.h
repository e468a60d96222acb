// The files the agent keeps in its state directory beside the library's own:
// the API token, the installation secret behind the idempotency hashes, the
// lock that keeps a second agent out, and the library's log masking setting.
#pragma once

#include <string>

namespace zpos::agent {

// Creates the directory (0700) when missing.
bool ensure_state_dir(const std::string& dir, std::string& error);

// Takes DIR/agent.lock for the life of the process; false when another agent
// holds it.
bool take_lock(const std::string& dir, std::string& error);

// 32 random bytes as 64 hex digits.
std::string random_hex(std::size_t bytes = 32);

// DIR/agent.token: read, or created (0600) at first start; `rotate` replaces it.
bool load_token(const std::string& dir, bool rotate, std::string& token, std::string& error);

// DIR/agent.secret: the key of the request-body hashes, created once (0600).
bool load_secret(const std::string& dir, std::string& secret, std::string& error);

// Sets [LOG] MASK=STRICT in DIR/ZposSign.ini, keeping every other line.
bool ensure_strict_log_mask(const std::string& dir, std::string& error);

// True when DIR/ZposSign.ini says the backup route is in force ([VANCFG] VANID=2).
bool backup_route_in_force(const std::string& dir);

// True when a file can be created and removed in DIR.
bool dir_writable(const std::string& dir);

}  // namespace zpos::agent
