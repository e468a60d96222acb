// Command-line options read against a table, for zpos and zpos-host: "--name
// VALUE", "--name" flags, repeatable options and plain arguments. It reports
// the first mistake as data; each tool words and prints it.
#pragma once

#include <cstddef>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zpos::tools {

struct Option {
    const char* name;
    const char* value;  // what the value is; nullptr for a flag
    bool repeats = false;
};

// A command line's words once read: options by name ("1" for a flag), the
// values of a repeatable option in order, and the plain arguments.
struct Arguments {
    std::map<std::string, std::string> options;
    std::vector<std::string> repeated;
    std::vector<std::string> plain;

    bool has(const std::string& name) const { return options.count(name) > 0; }
    std::string get(const std::string& name, const char* fallback) const {
        auto it = options.find(name);
        return it == options.end() ? fallback : it->second;
    }
};

enum class OptionFault {
    None,
    Unknown,     // a "--" word the table does not name
    Twice,       // an option that does not repeat, given again
    NeedsValue,  // the last word is an option that takes a value
    Unexpected,  // a plain argument beyond those taken
    Missing,     // fewer plain arguments than needed
};

struct OptionError {
    OptionFault fault = OptionFault::None;
    std::string word;               // the word at fault, as given
    const Option* option = nullptr;  // Twice, NeedsValue

    explicit operator bool() const { return fault != OptionFault::None; }
};

// What a command takes: its options and how many plain arguments, of which
// the last `optional` may be left out.
struct OptionTable {
    std::span<const Option> options;
    std::size_t plain = 0;
    std::size_t optional = 0;
};

const Option* find_option(std::span<const Option> options, std::string_view name);

// Reads `words` into `out`; stops at the first mistake.
OptionError read_options(const OptionTable& table, std::span<const std::string> words, Arguments& out);

// The mistake in words. `command` names the command for a tool that has
// commands ("unknown option --x for 'send'"); for one without, nullptr, and a
// plain word is then an unknown option too. `see` ends the lines that point
// at the help, e.g. " (see zpos send --help)".
std::string option_error_text(const OptionError& error, const char* command, const std::string& see);

// A whole number of digits only (no sign, no blanks) from min to max.
bool whole_number(const std::string& text, long min, long max, long& value);

}  // namespace zpos::tools
