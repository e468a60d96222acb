// Scenario files line by line, the per-connection lists, and the warning for
// texts the POS sees cut: it sees CP949 bytes, two for each Hangul syllable,
// in the reply field slots the library keeps.
#include "tools/host/scenario.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <span>
#include <sstream>

#include "tools/common/keystrokes.h"
#include "tools/common/link_bytes.h"

namespace zpos::host {

namespace {

std::string rest_of(std::istringstream& in) {
    std::string rest;
    std::getline(in, rest);
    std::size_t b = rest.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : rest.substr(b);
}

std::size_t cp949_length(std::string_view utf8) {
    std::size_t n = 0;
    for (char32_t c : tools::decode_utf8(utf8)) n += c < 0x80 ? 1 : 2;
    return n;
}

template <class T>
T entry_for(const std::vector<T>& list, int connection, T fallback) {
    if (list.empty()) return fallback;
    std::size_t at = connection < 0 ? 0 : static_cast<std::size_t>(connection);
    return list[at < list.size() ? at : list.size() - 1];
}

// Splits at commas; false when an item is empty.
bool items_of(std::string_view list, std::vector<std::string_view>& items) {
    items.clear();
    for (std::size_t start = 0;;) {
        std::size_t comma = list.find(',', start);
        std::string_view item = list.substr(start, comma == std::string_view::npos ? comma : comma - start);
        if (item.empty()) return false;
        items.push_back(item);
        if (comma == std::string_view::npos) return true;
        start = comma + 1;
    }
}

}  // namespace

Fault Scenario::fault_for(int connection) const { return entry_for(faults, connection, Fault::None); }

int Scenario::reply_delay_for(int connection) const { return entry_for(reply_delays_ms, connection, 0); }

bool parse_faults(std::string_view list, std::vector<Fault>& out) {
    std::vector<std::string_view> items;
    if (!items_of(list, items)) return false;
    std::vector<Fault> faults(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!fault_from_name(items[i], faults[i])) return false;
    out = faults;
    return true;
}

bool parse_delays(std::string_view list, std::vector<int>& out) {
    std::vector<std::string_view> items;
    if (!items_of(list, items)) return false;
    std::vector<int> delays;
    for (std::string_view item : items) {
        if (item.size() > 7 || item.find_first_not_of("0123456789") != std::string_view::npos) return false;
        delays.push_back(std::atoi(std::string(item).c_str()));
    }
    out = delays;
    return true;
}

bool writable_path(const std::string& path, std::string& why) {
    struct stat st{};
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            why = "a directory";
            return false;
        }
        if (access(path.c_str(), W_OK) == 0) return true;
        why = std::strerror(errno);
        return false;
    }
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    if (stat(folder.c_str(), &st) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        why = std::strerror(ENOTDIR);
        return false;
    }
    if (access(folder.c_str(), W_OK) == 0) return true;
    why = std::strerror(errno);
    return false;
}

namespace {

// A scenario line being read after its keyword: its words (each read says
// whether the line held what the keyword takes), the scenario it sets, and
// where its warnings and its refusal go.
struct Line {
    std::istringstream& in;
    Scenario& out;
    const std::string& keyword;
    std::string where;       // "FILE:LINE: "
    std::string takes;       // what the line takes, as a refusal shows it
    std::string refusal;     // set by a reader that refuses the line outright
    std::vector<std::string>* warnings;
    std::string next = "";   // a word read ahead by has_more()

    // The next word; false when there is none.
    bool word(std::string& into) {
        if (!has_more()) return false;
        into = std::move(next);
        next.clear();
        return true;
    }
    // The next word as a whole number from 0, of at most seven digits.
    template <class Number>
    bool count(Number& into) {
        std::string w;
        if (!word(w) || w.size() > 7 || w.find_first_not_of("0123456789") != std::string::npos) return false;
        into = static_cast<Number>(std::atol(w.c_str()));
        return true;
    }
    bool has_more() { return !next.empty() || static_cast<bool>(in >> next); }
    // The text to the end of the line (only before any has_more()).
    std::string rest() { return rest_of(in); }

    // Reply fields a scenario text goes into, as the POS calls them.
    struct Into {
        int field;
        const char* as;
    };
    static constexpr Into kMessage[] = {{1, "message"}};
    static constexpr Into kIssuer[] = {{5, "issuer_name"}, {12, "acquirer_name"}};

    // A warning when `text` is longer than the POS keeps of it in any of `into`.
    void warn_if_cut(const std::string& text, const char* what, std::span<const Into> into) {
        std::size_t bytes = cp949_length(text);
        std::string seen;
        for (const Into& f : into) {
            std::size_t keeps = tools::kReplySlotCapacity[f.field];
            if (bytes <= keeps) continue;
            seen += seen.empty() ? "" : " and ";
            seen += "its first " + std::to_string(keeps) + " as " + f.as;
        }
        if (!seen.empty() && warnings)
            warnings->push_back(where + "warning: " + what + " '" + text + "' is " + std::to_string(bytes) +
                                " bytes in CP949; the POS sees only " + seen);
    }
};

// What a rule matches, by the word after `approve` or `decline`.
struct RuleMatch {
    const char* word;
    Rule::Match match;
    const char* takes;
    bool (*read)(Line&, Rule&);
};

const RuleMatch kRuleMatches[] = {
    {"any", Rule::Match::Any, "any [TEXT]", [](Line&, Rule&) { return true; }},
    {"card", Rule::Match::Card, "card PREFIX [TEXT]", [](Line& l, Rule& r) { return l.word(r.value); }},
    {"amount", Rule::Match::AmountAtLeast, "amount MIN [TEXT]: MIN from 0",
     [](Line& l, Rule& r) { return l.count(r.amount); }},
    {"code", Rule::Match::Code, "code CC [TEXT]: CC a transaction code of two characters",
     [](Line& l, Rule& r) { return l.word(r.value) && r.value.size() == 2; }},
};

// A rule line; the rule goes after those read before it.
bool read_rule(Line& l) {
    Rule r;
    r.approve = l.keyword == "approve";
    std::string what;
    if (!l.word(what)) return false;
    const RuleMatch* m = nullptr;
    for (const RuleMatch& candidate : kRuleMatches)
        if (what == candidate.word) m = &candidate;
    if (!m) return false;
    l.takes = m->takes;
    r.match = m->match;
    bool ok = m->read(l, r);
    r.message = l.rest();
    if (!ok) return false;
    l.warn_if_cut(r.message, "message", Line::kMessage);
    l.out.rules.push_back(r);
    return true;
}

// A record or capture file line, refused outright when the file cannot be
// written.
bool read_file_line(Line& l) {
    std::string path, why;
    if (!l.word(path)) return false;
    if (!writable_path(path, why)) {
        l.refusal = l.where + l.keyword + " " + path + ": cannot write there (" + why + ")";
        return false;
    }
    (l.keyword == "record" ? l.out.record_path : l.out.pcap_path) = path;
    return true;
}

bool read_issuer(Line& l) {
    bool ok = l.word(l.out.issuer_code);
    l.out.issuer_name = l.rest();
    if (!ok || l.out.issuer_name.empty()) return false;
    l.warn_if_cut(l.out.issuer_name, "issuer name", Line::kIssuer);
    return true;
}

// Whether the next word, in `v`, is `a` or `b`.
bool one_of(Line& l, std::string& v, const char* a, const char* b) { return l.word(v) && (v == a || v == b); }

// A scenario keyword: what its line takes, whether anything may follow that
// (a TEXT or NAME runs to the end of the line), and its reader.
struct Keyword {
    const char* word;
    const char* takes;
    bool whole;
    bool (*read)(Line&);
};

const Keyword kKeywords[] = {
    {"service", "link|download", true,
     [](Line& l) {
         std::string v;
         bool ok = one_of(l, v, "link", "download");
         l.out.service = v == "download" ? Scenario::Service::Download : Scenario::Service::Link;
         return ok;
     }},
    {"fault", "NAME[,NAME...] [COUNT]: fault names as zpos-host --help lists them, COUNT from 0", true,
     [](Line& l) {
         std::string v;
         return l.word(v) && parse_faults(v, l.out.faults) &&
                (!l.has_more() || l.count(l.out.fault_count));
     }},
    {"reply-delay", "MS[,MS...]: milliseconds from 0", true,
     [](Line& l) {
         std::string v;
         return l.word(v) && parse_delays(v, l.out.reply_delays_ms);
     }},
    {"delay", "MS: milliseconds from 0", true, [](Line& l) { return l.count(l.out.accept_delay_ms); }},
    {"gap", "MS: milliseconds from 0", true, [](Line& l) { return l.count(l.out.frame_gap_ms); }},
    {"management", "on|off", true,
     [](Line& l) {
         std::string v;
         bool ok = one_of(l, v, "on", "off");
         l.out.answer_management = v != "off";
         return ok;
     }},
    {"approve", "any|card PREFIX|amount MIN|code CC [TEXT]", false, read_rule},
    {"decline", "any|card PREFIX|amount MIN|code CC [TEXT]", false, read_rule},
    {"approval", "NUMBER", true, [](Line& l) { return l.word(l.out.approval_no); }},
    {"issuer", "CODE NAME", false, read_issuer},
    {"merchant", "NUMBER", true, [](Line& l) { return l.word(l.out.merchant_no); }},
    {"datetime", "YYMMDDhhmmss: twelve digits", true,
     [](Line& l) {
         std::string& v = l.out.tran_datetime;
         return l.word(v) && v.size() == 12 && v.find_first_not_of("0123456789") == std::string::npos;
     }},
    {"answer", "TEXT", false,
     [](Line& l) {
         l.out.download_answer = l.rest();
         return !l.out.download_answer.empty();
     }},
    {"record", "FILE", true, read_file_line},
    {"pcap", "FILE", true, read_file_line},
};

}  // namespace

bool load_scenario(const std::string& path, Scenario& out, std::string& error, std::vector<std::string>* warnings) {
    struct stat st{};
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        error = path + " is a directory, not a scenario file";
        return false;
    }
    std::ifstream file(path);
    if (!file) {
        error = "cannot open " + path + " (" + std::strerror(errno) + ")";
        return false;
    }
    std::string text;
    for (int number = 1; std::getline(file, text); ++number) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        std::istringstream in(text);
        std::string word;
        if (!(in >> word) || word[0] == '#') continue;
        std::string where = path + ":" + std::to_string(number) + ": ";
        const Keyword* k = nullptr;
        for (const Keyword& candidate : kKeywords)
            if (word == candidate.word) k = &candidate;
        if (!k) {
            error = where + "not understood: " + text;
            return false;
        }
        Line line{in, out, word, where, k->takes, "", warnings};
        bool ok = k->read(line);
        if (!line.refusal.empty()) {
            error = line.refusal;
            return false;
        }
        if (!ok || (k->whole && line.has_more())) {
            error = where + "not understood: " + text + "; expected " + word + " " + line.takes;
            return false;
        }
    }
    return true;
}

}  // namespace zpos::host
