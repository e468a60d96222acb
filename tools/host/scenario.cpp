// Scenario files line by line, the per-connection lists, and the warning for
// texts the POS sees cut: it sees CP949 bytes, two for each Hangul syllable,
// in the reply field slots the library keeps.
#include "tools/host/scenario.h"

#include <cstdlib>
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

bool load_scenario(const std::string& path, Scenario& out, std::string& error, std::vector<std::string>* warnings) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    std::string line;
    int number = 0;
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
            warnings->push_back(path + ":" + std::to_string(number) + ": warning: " + what + " '" + text + "' is " +
                                std::to_string(bytes) + " bytes in CP949; the POS sees only " + seen);
    };
    while (std::getline(file, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream in(line);
        std::string word;
        if (!(in >> word) || word[0] == '#') continue;
        bool ok = true;
        if (word == "service") {
            std::string v;
            in >> v;
            ok = v == "link" || v == "download";
            out.service = v == "download" ? Scenario::Service::Download : Scenario::Service::Link;
        } else if (word == "fault") {
            std::string v;
            in >> v;
            ok = parse_faults(v, out.faults);
            int count = 0;
            if (in >> count) out.fault_count = count;
        } else if (word == "reply-delay") {
            std::string v;
            in >> v;
            ok = parse_delays(v, out.reply_delays_ms);
        } else if (word == "delay") {
            ok = static_cast<bool>(in >> out.accept_delay_ms);
        } else if (word == "gap") {
            ok = static_cast<bool>(in >> out.frame_gap_ms);
        } else if (word == "management") {
            std::string v;
            in >> v;
            out.answer_management = v != "off";
        } else if (word == "approve" || word == "decline") {
            Rule r;
            r.approve = word == "approve";
            std::string what;
            in >> what;
            if (what == "card") {
                r.match = Rule::Match::Card;
                in >> r.value;
            } else if (what == "amount") {
                r.match = Rule::Match::AmountAtLeast;
                ok = static_cast<bool>(in >> r.amount);
            } else if (what == "code") {
                r.match = Rule::Match::Code;
                in >> r.value;
            } else {
                ok = what == "any";
            }
            r.message = rest_of(in);
            warn_if_cut(r.message, "message", {kMessageField});
            out.rules.push_back(r);
        } else if (word == "approval") {
            in >> out.approval_no;
        } else if (word == "issuer") {
            in >> out.issuer_code;
            out.issuer_name = rest_of(in);
            warn_if_cut(out.issuer_name, "issuer name", {kIssuerNameField, kAcquirerNameField});
        } else if (word == "merchant") {
            in >> out.merchant_no;
        } else if (word == "datetime") {
            in >> out.tran_datetime;
        } else if (word == "answer") {
            out.download_answer = rest_of(in);
        } else if (word == "record") {
            in >> out.record_path;
        } else if (word == "pcap") {
            in >> out.pcap_path;
        } else {
            ok = false;
        }
        if (!ok) {
            error = path + ":" + std::to_string(number) + ": not understood: " + line;
            return false;
        }
    }
    return true;
}

}  // namespace zpos::host
