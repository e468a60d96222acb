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
#include <sstream>

#include "reply/split.h"
#include "tests/common/keystrokes.h"

namespace zpos::host {

namespace {

// Reply fields a scenario text goes into, by what the POS calls them.
constexpr int kMessageField = 1;
constexpr int kIssuerNameField = 5;
constexpr int kAcquirerNameField = 12;

std::string rest_of(std::istringstream& in) {
    std::string rest;
    std::getline(in, rest);
    std::size_t b = rest.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : rest.substr(b);
}

std::size_t cp949_length(std::string_view utf8) {
    std::size_t n = 0;
    for (char32_t c : test::decode_utf8(utf8)) n += c < 0x80 ? 1 : 2;
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

// One scenario line's words after its keyword; each read says whether the
// line held what the keyword takes.
class LineWords {
public:
    explicit LineWords(std::istringstream& in) : in_(in) {}
    // The next word; false when there is none.
    bool word(std::string& out) {
        if (!has_more()) return false;
        out = std::move(next_);
        next_.clear();
        return true;
    }
    // The next word as a whole number from 0, of at most seven digits.
    template <class Number>
    bool count(Number& out) {
        std::string w;
        if (!word(w) || w.size() > 7 || w.find_first_not_of("0123456789") != std::string::npos) return false;
        out = static_cast<Number>(std::atol(w.c_str()));
        return true;
    }
    bool has_more() { return !next_.empty() || static_cast<bool>(in_ >> next_); }
    // The text to the end of the line (only before any has_more()).
    std::string rest() { return rest_of(in_); }

private:
    std::istringstream& in_;
    std::string next_;
};

// What a line beginning with `word` takes, as the error shows it.
std::string syntax_of(const std::string& word, const std::string& what) {
    if (word == "service") return "service link|download";
    if (word == "fault")
        return "fault NAME[,NAME...] [COUNT]: fault names as zpos-host --help lists them, COUNT from 0";
    if (word == "reply-delay") return "reply-delay MS[,MS...]: milliseconds from 0";
    if (word == "delay" || word == "gap") return word + " MS: milliseconds from 0";
    if (word == "management") return "management on|off";
    if (word == "approve" || word == "decline") {
        if (what == "any") return word + " any [TEXT]";
        if (what == "card") return word + " card PREFIX [TEXT]";
        if (what == "amount") return word + " amount MIN [TEXT]: MIN from 0";
        if (what == "code") return word + " code CC [TEXT]: CC a transaction code of two characters";
        return word + " any|card PREFIX|amount MIN|code CC [TEXT]";
    }
    if (word == "approval") return "approval NUMBER";
    if (word == "issuer") return "issuer CODE NAME";
    if (word == "merchant") return "merchant NUMBER";
    if (word == "datetime") return "datetime YYMMDDhhmmss: twelve digits";
    if (word == "answer") return "answer TEXT";
    if (word == "record" || word == "pcap") return word + " FILE";
    return "";
}

// A rule line after its `approve` or `decline`; `what` gets the match word.
bool read_rule(LineWords& words, bool approve, std::string& what, Rule& r) {
    r.approve = approve;
    if (!words.word(what)) return false;
    bool ok = true;
    if (what == "card") {
        r.match = Rule::Match::Card;
        ok = words.word(r.value);
    } else if (what == "amount") {
        r.match = Rule::Match::AmountAtLeast;
        ok = words.count(r.amount);
    } else if (what == "code") {
        r.match = Rule::Match::Code;
        ok = words.word(r.value) && r.value.size() == 2;
    } else {
        ok = what == "any";
    }
    r.message = words.rest();
    return ok;
}

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
    std::string line;
    int number = 0;
    auto where = [&] { return path + ":" + std::to_string(number) + ": "; };
    auto warn_if_cut = [&](const std::string& text, const char* what, std::initializer_list<int> fields) {
        std::size_t bytes = cp949_length(text);
        std::string seen;
        for (int f : fields) {
            if (bytes <= kFieldCapacity[f]) continue;
            seen += seen.empty() ? "" : " and ";
            const char* as = f == kMessageField       ? " as message"
                             : f == kIssuerNameField ? " as issuer_name"
                                                     : " as acquirer_name";
            seen += "its first " + std::to_string(kFieldCapacity[f]) + as;
        }
        if (!seen.empty() && warnings)
            warnings->push_back(where() + "warning: " + what + " '" + text + "' is " + std::to_string(bytes) +
                                " bytes in CP949; the POS sees only " + seen);
    };
    while (std::getline(file, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream in(line);
        std::string word, what, v;
        if (!(in >> word) || word[0] == '#') continue;
        LineWords words(in);
        bool ok = true, whole = true;  // whole: nothing may follow
        if (word == "service") {
            ok = words.word(v) && (v == "link" || v == "download");
            out.service = v == "download" ? Scenario::Service::Download : Scenario::Service::Link;
        } else if (word == "fault") {
            ok = words.word(v) && parse_faults(v, out.faults) &&
                 (!words.has_more() || words.count(out.fault_count));
        } else if (word == "reply-delay") {
            ok = words.word(v) && parse_delays(v, out.reply_delays_ms);
        } else if (word == "delay") {
            ok = words.count(out.accept_delay_ms);
        } else if (word == "gap") {
            ok = words.count(out.frame_gap_ms);
        } else if (word == "management") {
            ok = words.word(v) && (v == "on" || v == "off");
            out.answer_management = v != "off";
        } else if (word == "approve" || word == "decline") {
            Rule r;
            ok = read_rule(words, word == "approve", what, r);
            whole = false;
            if (ok) {
                warn_if_cut(r.message, "message", {kMessageField});
                out.rules.push_back(r);
            }
        } else if (word == "approval") {
            ok = words.word(out.approval_no);
        } else if (word == "issuer") {
            ok = words.word(out.issuer_code);
            out.issuer_name = words.rest();
            ok = ok && !out.issuer_name.empty();
            whole = false;
            if (ok) warn_if_cut(out.issuer_name, "issuer name", {kIssuerNameField, kAcquirerNameField});
        } else if (word == "merchant") {
            ok = words.word(out.merchant_no);
        } else if (word == "datetime") {
            ok = words.word(v) && v.size() == 12 && v.find_first_not_of("0123456789") == std::string::npos;
            out.tran_datetime = v;
        } else if (word == "answer") {
            out.download_answer = words.rest();
            ok = !out.download_answer.empty();
            whole = false;
        } else if (word == "record" || word == "pcap") {
            ok = words.word(v);
            std::string why;
            if (ok && !writable_path(v, why)) {
                error = where() + word + " " + v + ": cannot write there (" + why + ")";
                return false;
            }
            (word == "record" ? out.record_path : out.pcap_path) = v;
        } else {
            error = where() + "not understood: " + line;
            return false;
        }
        if (!ok || (whole && words.has_more())) {
            error = where() + "not understood: " + line + "; expected " + syntax_of(word, what);
            return false;
        }
    }
    return true;
}

}  // namespace zpos::host
