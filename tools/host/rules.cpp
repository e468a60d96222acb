// Request decoding with the host's own unmasking and check byte, the rule
// that answers, and the reply's fields in the places the POS reads them.
#include "tools/host/rules.h"

#include <cstdlib>

#include "tools/common/keystrokes.h"
#include "tools/common/wire.h"

namespace zpos::host {

namespace {

// The first rule that matches, or none.
const Rule* matching_rule(const Scenario& scenario, const SeenRequest& r) {
    for (const auto& rule : scenario.rules) {
        bool hit = rule.match == Rule::Match::Any ||
                   (rule.match == Rule::Match::Card && r.card.compare(0, rule.value.size(), rule.value) == 0) ||
                   (rule.match == Rule::Match::AmountAtLeast && r.amount >= rule.amount) ||
                   (rule.match == Rule::Match::Code && r.code == rule.value);
        if (hit) return &rule;
    }
    return nullptr;
}

}  // namespace

SeenRequest decode_request(const Scenario& scenario, const std::string& frame) {
    SeenRequest r;
    if (frame.size() < 4) return r;
    std::size_t m = tools::length_at(frame, 2);
    if (4 + m > frame.size() || m < 3) return r;
    std::string msg = frame.substr(4, m);
    tools::apply_mask(msg);
    r.block = frame.substr(4 + m);
    r.type = msg[1];
    r.check_ok = tools::with_check(msg.substr(0, m - 1)) == msg && msg[m - 2] == tools::kETX;
    std::size_t start = 0;
    if (r.type == 'I' && m > 13) {
        r.length_ok = std::atoi(msg.substr(3, 4).c_str()) == static_cast<int>(m);
        r.code = msg.substr(10, 2);
        start = 13;
    } else if (r.type == 'S' && m > 8) {
        r.length_ok = true;  // the management message has no length field
        r.code = msg.substr(5, 2);
        start = 8;
    }
    r.fields = tools::split_fs(msg.substr(start, m - 2 - start));
    bool split = r.type == 'I' ? (r.code == "C0" || r.code == "C1" || r.code == "40") : r.fields.size() == 26;
    std::size_t amount_at = split ? 4 : 3;
    if (r.fields.size() > amount_at) {
        r.term_id = r.fields[0].substr(0, r.fields[0].find('\0'));
        r.card = r.fields[1];
        if (split) r.expiry = r.fields[2];
        r.amount = std::atol(r.fields[amount_at].c_str());
    }
    const Rule* rule = matching_rule(scenario, r);
    r.approved = !rule || rule->approve;
    return r;
}

std::string reply_body(const Scenario& scenario, const SeenRequest& request) {
    const Rule* rule = matching_rule(scenario, request);
    std::string message = rule && !rule->message.empty() ? rule->message
                          : request.approved ? "\xEC\xA0\x95\xEC\x83\x81\xEC\x8A\xB9\xEC\x9D\xB8"  // 정상승인
                                             : "\xEA\xB1\xB0\xEB\x9E\x98\xEA\xB1\xB0\xEC\xA0\x88";  // 거래거절
    std::string amount = std::to_string(request.amount);
    // All 47 fields, as the host sends them: the ETX then lands in field 46,
    // whose length prefix 0000 keeps it out, and not in a field the POS reads.
    constexpr int kFields = 47;
    std::vector<std::string> fields = {
        "",                                                   // 0
        message,                                              // 1 message line 1
        request.approved ? scenario.approval_no : "",         // 2 approval number
        request.approved ? "O" : "X",                         // 3 approval flag
        scenario.issuer_code, scenario.issuer_name,           // 4, 5
        scenario.merchant_no, scenario.tran_datetime,         // 6, 7
        "", "", "",                                           // 8 to 10
        scenario.issuer_code, scenario.issuer_name,           // 11, 12 acquirer
        "", scenario.issuer_name, scenario.issuer_code,       // 13 to 15
        "", amount, "0", "0",                                 // 16 to 19
        message, "", "",                                      // 20 to 22
        scenario.approval_no,                                 // 23
    };
    fields.resize(kFields);
    fields[46] = "0000";  // 24 to 45 empty
    for (std::string& f : fields) f = tools::spell_for_wire(f);
    return tools::reply_message("RPOS" + (request.code.size() == 2 ? request.code : std::string("00")), fields);
}

}  // namespace zpos::host
