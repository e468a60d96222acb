// `zpos settings`: the settings file ZposSign.ini of an application directory,
// shown key by key with what each key means to the library, and changed one
// key at a time through the same private-profile functions the library uses,
// so every other line of the file stays as it was.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace zpos::cli {

// Prints every key the library reads from DIR/ZposSign.ini.
void show_settings(std::FILE* out, const std::string& dir);

// Warnings for a card approval or cancellation about to be sent from DIR: the
// backup route in force, or host failures counted towards it; each names the
// key and the command that resets it. Empty when the route is clear.
std::vector<std::string> route_warnings(const std::string& dir, std::time_t now);

// Applies assignments "[SECTION.]KEY=VALUE". Every assignment is checked
// first; when one is refused nothing is written and `error` says why.
bool set_settings(const std::string& dir, const std::vector<std::string>& assignments, std::string& error);

}  // namespace zpos::cli
