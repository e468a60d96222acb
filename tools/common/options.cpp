// The option reader shared by zpos and zpos-host; see options.h.
#include "tools/common/options.h"

#include <cerrno>
#include <cstdlib>

namespace zpos::tools {

const Option* find_option(std::span<const Option> options, std::string_view name) {
    for (const Option& o : options)
        if (name == o.name) return &o;
    return nullptr;
}

OptionError read_options(const OptionTable& table, std::span<const std::string> words, Arguments& out) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.rfind("--", 0) != 0) {
            if (out.plain.size() == table.plain) return {OptionFault::Unexpected, word};
            out.plain.push_back(word);
            continue;
        }
        const Option* o = find_option(table.options, std::string_view(word).substr(2));
        if (!o) return {OptionFault::Unknown, word};
        if (!o->repeats && out.has(o->name)) return {OptionFault::Twice, word, o};
        if (!o->value) {
            out.options[o->name] = std::string(1, '1');  // a flag given
            continue;
        }
        if (i + 1 >= words.size()) return {OptionFault::NeedsValue, word, o};
        if (o->repeats)
            out.repeated.push_back(words[++i]);
        else
            out.options[o->name] = words[++i];
    }
    if (out.plain.size() + table.optional < table.plain) return {OptionFault::Missing, ""};
    return {};
}

std::string option_error_text(const OptionError& error, const char* command, const std::string& see) {
    const std::string of = command ? std::string(" for '") + command + "'" : "";
    switch (error.fault) {
        case OptionFault::None: return "";
        case OptionFault::Unknown: return "unknown option " + error.word + of + see;
        case OptionFault::Unexpected:
            if (!command) return "unknown option " + error.word + see;
            return "unexpected argument '" + error.word + "'" + of + see;
        case OptionFault::Twice: return std::string("option --") + error.option->name + " is given twice";
        case OptionFault::NeedsValue:
            return std::string("option --") + error.option->name + " needs a value: " + error.option->value;
        case OptionFault::Missing: return std::string("'") + (command ? command : "") + "' needs a FILE" + see;
    }
    return "";
}

bool whole_number(const std::string& text, long min, long max, long& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    value = std::strtol(text.c_str(), nullptr, 10);
    return errno == 0 && value >= min && value <= max;
}

}  // namespace zpos::tools
