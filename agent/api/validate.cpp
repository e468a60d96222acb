#include "agent/api/validate.h"

#include <set>

#include "agent/config/config.h"

namespace zpos::agent {

namespace {

struct Kind {
    const char* type;
    const char* msg_type;
    const char* tran_kind;
    bool keyed;       // cash: an identity number, keyed in
    bool cancels;     // carries the original approval
    bool cvm;         // takes cvm_data
};

constexpr Kind kKinds[] = {
    {"card_approval", "0200", "10", false, false, false}, {"card_cancel", "0420", "30", false, true, false},
    {"cash_approval", "0200", "21", true, false, false},  {"cash_cancel", "0420", "21", true, true, false},
    {"kt_approval", "0200", "KT", false, false, false},   {"kt_cancel", "0420", "KT", false, true, false},
    {"f1_approval", "0200", "F1", false, false, true},    {"f2_cancel", "0420", "F2", false, true, true},
};

constexpr struct {
    const char* name;
    const char* sub;
} kPointsOps[] = {{"earn", "01"}, {"use", "02"}, {"inquiry", "03"}, {"earn_cancel", "11"}, {"use_cancel", "12"}};

constexpr long long kMaxAmount = 99999999;  // the library refuses more without sending
constexpr int kTestPort = 10901;            // the library's test port: only its own terminal may use it
constexpr char kTestTerminal[] = "1450019998";

bool all_of(const std::string& s, bool (*ok)(char)) {
    for (char c : s)
        if (!ok(c)) return false;
    return true;
}
bool digit(char c) { return c >= '0' && c <= '9'; }
bool alnum(char c) { return digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool printable(char c) { return c >= 0x20 && c <= 0x7e; }
bool track_char(char c) { return digit(c) || c == '='; }

// Reads the fields of one request in turn, noting what is wrong with each.
class Reader {
public:
    Reader(const nlohmann::json& body, FieldErrors& errors) : body_(body), errors_(errors) {}

    bool has(const char* name) {
        used_.insert(name);
        return body_.contains(name);
    }

    // A text of `min`..`max` characters, each accepted by `ok`.
    bool text(const char* name, std::size_t min, std::size_t max, bool (*ok)(char), const char* what, std::string& out,
              bool required = true) {
        if (!has(name)) return !required || fail(name, "required");
        const auto& v = body_[name];
        if (!v.is_string()) return fail(name, "must be a string");
        std::string s = v.get<std::string>();
        if (s.size() < min || s.size() > max || !all_of(s, ok))
            return fail(name, std::string("must be ") + what);
        out = s;
        return true;
    }

    bool number(const char* name, long long min, long long max, long long& out, bool required = true) {
        if (!has(name)) return !required || fail(name, "required");
        const auto& v = body_[name];
        if (!v.is_number_integer()) return fail(name, "must be a whole number");
        long long n = v.get<long long>();
        if (n < min || n > max)
            return fail(name, "must be from " + std::to_string(min) + " to " + std::to_string(max));
        out = n;
        return true;
    }

    bool forbidden(const char* name, const char* why) { return !has(name) || fail(name, why); }

    void unknown_fields() {
        for (const auto& [key, value] : body_.items())
            if (!used_.count(key)) fail(key, "unknown field");
    }

    bool fail(const std::string& name, const std::string& message) {
        errors_.emplace(name, message);
        return false;
    }

private:
    const nlohmann::json& body_;
    FieldErrors& errors_;
    std::set<std::string> used_;
};

bool yymmdd(const std::string& s) {
    if (s.size() != 6 || !all_of(s, digit)) return false;
    int mm = std::stoi(s.substr(2, 2)), dd = std::stoi(s.substr(4, 2));
    return mm >= 1 && mm <= 12 && dd >= 1 && dd <= 31;
}

void original(Reader& r, bool cancels, std::size_t no_width, TxRequest& out) {
    if (!cancels) {
        r.forbidden("org_auth_no", "only a cancellation carries an original approval");
        r.forbidden("org_auth_date", "only a cancellation carries an original approval");
        return;
    }
    r.text("org_auth_no", 1, no_width, alnum, "the original approval number (letters and digits)", out.org_auth_no);
    if (r.text("org_auth_date", 6, 6, digit, "the original approval date, YYMMDD", out.org_auth_date) &&
        !yymmdd(out.org_auth_date))
        r.fail("org_auth_date", "must be the original approval date, YYMMDD");
}

}  // namespace

std::string masked_card(const std::string& track2) {
    std::string number = track2.substr(0, track2.find('='));
    if (number.size() <= 10) return std::string(number.size(), '*');
    return number.substr(0, 6) + std::string(number.size() - 10, '*') + number.substr(number.size() - 4);
}

bool validate_transaction(const nlohmann::json& body, const Config& config, TxRequest& out, FieldErrors& errors) {
    if (!body.is_object()) {
        errors.emplace("body", "must be a JSON object");
        return false;
    }
    Reader r(body, errors);
    std::string key;
    r.text("idempotency_key", 1, 64, printable, "1 to 64 printable ASCII characters", key);
    std::string ack = "manual";
    if (r.text("acknowledge", 4, 6, printable, "manual or auto", ack, false) && ack != "manual" && ack != "auto")
        r.fail("acknowledge", "must be manual or auto");
    out.auto_ack = ack == "auto";
    if (r.text("terminal_id", 1, 10, alnum, "1 to 10 letters or digits", out.terminal_id) &&
        config.payment_port == kTestPort && out.terminal_id != kTestTerminal)
        r.fail("terminal_id", "the payment host's port is the test port, which takes only its test terminal");

    std::string type;
    r.text("type", 1, 32, printable, "a transaction type", type);
    out.type = type;
    const Kind* kind = nullptr;
    for (const Kind& k : kKinds)
        if (type == k.type) kind = &k;
    long long amount = 0;
    if (kind) {
        out.msg_type = kind->msg_type;
        out.tran_kind = kind->tran_kind;
        r.text("track2", 1, 37, track_char, "a track-2 image or card number (digits and =), at most 37 characters",
               out.track2);
        bool keyed = kind->keyed;
        if (r.has("keyed")) {
            if (body["keyed"].is_boolean()) keyed = body["keyed"].get<bool>();
            else r.fail("keyed", "must be true or false");
        }
        out.keyed = keyed;
        if (r.number("amount", 1, kMaxAmount, amount) && type == "kt_approval" && amount == 1)
            r.fail("amount", "1 asks for a balance, which the library refuses");
        long long months = 0;
        r.number("install_months", 0, 99, months, false);
        out.install_months = static_cast<int>(months);
        original(r, kind->cancels, 8, out);
        if (kind->cvm) r.text("cvm_data", 1, 16, printable, "1 to 16 printable ASCII characters", out.cvm_data, false);
        else r.forbidden("cvm_data", "only f1_approval and f2_cancel carry cvm_data");
    } else if (type == "cheque_inquiry") {
        out.msg_type = "0200";
        out.tran_kind = "20";
        r.text("chk_code", 2, 2, digit, "two digits", out.chk_code);
        r.text("chk_number", 1, 20, alnum, "1 to 20 letters or digits", out.chk_number);
        r.text("chk_account", 1, 13, alnum, "1 to 13 letters or digits", out.chk_account);
        r.number("amount", 1, 999999999, amount);
    } else if (type == "points") {
        out.points = true;
        out.tran_kind = "40";
        std::string op;
        if (r.text("operation", 1, 16, printable, "earn, use, inquiry, earn_cancel or use_cancel", op)) {
            for (const auto& o : kPointsOps)
                if (op == o.name) out.pt_sub = o.sub;
            if (out.pt_sub.empty()) r.fail("operation", "must be earn, use, inquiry, earn_cancel or use_cancel");
        }
        bool cancels = out.pt_sub == "11" || out.pt_sub == "12";
        out.msg_type = cancels ? "0420" : "0200";
        out.pt_media = "01";
        if (r.text("media", 2, 2, digit, "01, 02, 03 or 04", out.pt_media, false) &&
            (out.pt_media < "01" || out.pt_media > "04"))
            r.fail("media", "must be 01, 02, 03 or 04");
        r.text("track2", 1, 37, track_char, "a points card track-2 image (digits and =), at most 37 characters",
               out.track2);
        r.number("amount", 0, 999999999, amount);
        if (!out.pt_sub.empty()) original(r, cancels, 12, out);
    } else if (!type.empty()) {
        r.fail("type", "must be one of card_approval, card_cancel, cash_approval, cash_cancel, kt_approval, kt_cancel, "
                       "f1_approval, f2_cancel, cheque_inquiry, points");
    }
    out.amount = amount;
    // Which fields belong depends on the type: without one, none can be judged.
    if (!out.msg_type.empty()) r.unknown_fields();
    return errors.empty();
}

bool validate_download(const nlohmann::json& body, std::string& request, FieldErrors& errors) {
    if (!body.is_object()) {
        errors.emplace("body", "must be a JSON object");
        return false;
    }
    Reader r(body, errors);
    r.text("text", 1, 24, printable, "1 to 24 printable ASCII characters", request);
    r.unknown_fields();
    return errors.empty();
}

}  // namespace zpos::agent
