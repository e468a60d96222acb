// The agent's calls into the operating system, one implementation per system
// (posix/, windows/): private files and folders, the state directory's lock,
// randomness and the body-hash key, the service manager, and the crash test
// hook. The rest of the agent is the same on every system.
#pragma once

#include <cstddef>
#include <string>

namespace zpos::agent::platform {

// Where the state lives when --state-dir is not given; empty where the
// command line must name it.
std::string default_state_dir();

// Creates `dir` readable by the agent's account alone (and, on Windows, the
// Administrators); true when it exists already.
bool make_private_dir(const std::string& dir, std::string& error);

// `dir` as an absolute path.
bool absolute_path(const std::string& dir, std::string& out, std::string& error);

// Replaces `path` with `text` through a temporary file and a rename, readable
// by the agent's account alone.
bool write_private_file(const std::string& path, const std::string& text, std::string& error);

// Holds `path` locked for the life of the process; false when another
// process holds it.
bool lock_for_life(const std::string& path, bool& held_by_other, std::string& error);

// When `path` was last written, in nanoseconds of the system's own count;
// -1 when it is not there.
long long modified_ns(const std::string& path);

// True when a file can be created in `dir`.
bool dir_writable(const std::string& dir);

// Fills `out` from the system's random source; aborts when there is none, so
// that no guessable token is ever handed out.
void random_bytes(unsigned char* out, std::size_t size);

// HMAC-SHA-256 of `data` under `key`: the 32 raw bytes.
std::string hmac_sha256(const std::string& key, const std::string& data);

// The library's Korean texts (CP949) as UTF-8; a byte that is no character
// becomes U+FFFD.
std::string cp949_to_utf8(const std::string& bytes);

// New files of this process are for its own account only.
void restrict_new_files();

// Sets a variable of the process's environment, where the library reads it.
void set_environment(const char* name, const std::string& value);

// Tells the service manager "READY=1" (listening), "STOPPING=1" and
// "STATUS=..." lines; nothing when the agent does not run as a service.
void notify_service_manager(const std::string& message);

// Ends the process at once, as a crash or a power cut would: the test hook
// ZPOS_AGENT_KILL_AT.
[[noreturn]] void kill_now();

// `zpos-agent service ...` where the system has a service manager to talk
// to: true with `status` set when argv was such a command.
bool service_command(int argc, char** argv, int (*serve_main)(int, char**), int& status);

}  // namespace zpos::agent::platform
