// Response filling by kind family: cheque, card and cash, kind "70", kind
// "90", points. Every write puts the text cut to its length and one NUL, in the
// order listed per family, so a later write covers an earlier write's NUL.
#include "reply/parser.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "reply/company_codes.h"
#include "reply/keystrokes.h"
#include "reply/split.h"
#include "support/fields.h"
#include "support/korean_texts.h"
#include "support/message_kinds.h"
#include "support/records.h"

namespace zpos {

namespace {

constexpr char kNineZeros[] = "000000000";
constexpr std::size_t kNumberDigits = 8;  // characters of a field read as a number
constexpr std::size_t kDigitScan = 24;    // slot bytes searched for digits
constexpr int kDigitsTaken = 9;

// Reply fields by number, as the parser reads them.
enum ReplyField : int {
    kLine1 = 1,
    kLine2OrAuth = 2,
    kApprovalFlag = 3,
    kIssuerCode = 4,
    kIssuerName = 5,
    kMerchantNo = 6,
    kDateTime = 7,
    kCardClass = 10,
    kAcquirerCode = 11,
    kAcquirerName = 12,
    kCompanyName = 14,
    kCompanyCode = 15,
    kNumber17 = 17,
    kNumber18 = 18,
    kNumber19 = 19,
    kText20 = 20,
    kText21 = 21,
    kText22 = 22,
    kAuthNo = 23,
};

// Writes into one response record from one parsed reply.
class ResponseFill {
public:
    ResponseFill(char* response, const ParsedReply& reply) : rec_(response), reply_(reply) {}

    bool approved() const { return reply_approved(reply_); }
    std::string_view field(int f) const { return reply_.text(f); }
    bool begins(int f, std::string_view prefix) const { return field(f).starts_with(prefix); }

    // atoi of the field's first eight characters.
    int number(int f) const { return atoi_text(field(f).substr(0, kNumberDigits)); }

    // The first nine digits anywhere in the field's 24-byte slot, as a number.
    int digits(int f) const {
        const char* s = reply_.slot(f);
        int value = 0;
        int taken = 0;
        for (std::size_t i = 0; i < kDigitScan && taken < kDigitsTaken; ++i) {
            if (s[i] < '0' || s[i] > '9') continue;
            value = value * 10 + (s[i] - '0');
            ++taken;
        }
        return value;
    }

    void resp_code(const char* four) { put_exact(rec_, resp::resp_code, four); }
    void text(Field at, std::string_view value) { put_text(rec_, at, value); }
    void text(Field at, std::string_view value, std::size_t cut) { put_text(rec_, {at.offset, cut}, value); }
    void copy(Field at, int f, std::size_t cut) { text(at, field(f), cut); }
    // Exactly the field's width of `bytes`, NULs included, then the closing NUL.
    void bytes(Field at, const char* bytes) {
        put_exact(rec_, at, bytes);
        rec_[at.offset + at.width] = '\0';
    }

    void company(Field at, int f) {
        char pos[3];
        map_company_code(reply_.slot(f), pos);
        text(at, text_of(pos, 2));
    }

    // N zero-padded to nine digits when above 0, nine zeros otherwise.
    void nine_digits(Field at, int n) {
        char buf[16];
        if (n > 0) {
            std::snprintf(buf, sizeof buf, "%09d", n);
            text(at, buf);
        } else {
            text(at, kNineZeros);
        }
    }

    // Fields 1 and 2 in one text, as "%.16s, %.16s" or "%.16s%.16s".
    void two_lines(Field at, const char* format) {
        char buf[64];
        std::snprintf(buf, sizeof buf, format, reply_.slot(kLine1), reply_.slot(kLine2OrAuth));
        text(at, buf);
    }

    char* record() { return rec_; }
    const char* slot(int f) const { return reply_.slot(f); }

private:
    char* rec_;
    const ParsedReply& reply_;
};

void fill_cheque(ResponseFill& out) {
    bool ok = out.approved();
    out.resp_code(ok ? kRespApproved : kRespChequeInvalid);
    out.text(resp::chk_blank, "        ");
    if (ok) {
        out.text(resp::chk_message, texts::kTextValidCheque);
    } else {
        out.two_lines(resp::chk_message, "%.16s, %.16s");
    }
}

void fill_card_class(ResponseFill& out) {
    if (out.begins(kCardClass, "D")) put_exact(out.record(), resp::card_class, "1");
}

// The host's message (on a decline its two lines) and the three display lines.
void fill_message_and_lines(ResponseFill& out) {
    if (out.approved()) {
        out.copy(resp::message, kLine1, 16);
    } else {
        out.two_lines(resp::message, "%.16s, %.16s");
    }
    out.copy(resp::info_line1, kText20, 24);
    out.copy(resp::info_line2, kText21, 24);
    out.copy(resp::info_line3, kText22, 24);
}

// Card, cash, F1/F2 and "70" replies, in record order; an approved "70" has
// its own issuer code and no acquirer code.
void fill_card(ResponseFill& out, Family family) {
    bool ok = out.approved();
    out.resp_code(ok ? kRespApproved : kRespDeclined);
    bool approved_70 = ok && family == Family::kind70;
    if (approved_70) {
        out.text(resp::issuer_code, "45");
    } else {
        out.company(resp::issuer_code, kIssuerCode);
    }
    out.copy(resp::issuer_name, kIssuerName, 20);
    if (!approved_70) out.company(resp::acquirer_code, kAcquirerCode);
    out.copy(resp::acquirer_name, kAcquirerName, 20);
    out.copy(resp::merchant_no, kMerchantNo, 15);
    out.copy(resp::tran_datetime, kDateTime, 12);
    if (ok) out.copy(resp::auth_no, kLine2OrAuth, 12);
    fill_card_class(out);
    fill_message_and_lines(out);
}

void fill_card_values(ResponseFill& out) {
    if (out.approved()) {
        // Only a positive amount replaces what the record holds.
        if (int n = out.number(kNumber18); n > 0) out.nine_digits(resp::value1, n);
        if (int n = out.number(kNumber17); n > 0) out.nine_digits(resp::value2, n);
        if (int n = out.number(kNumber19); n > 0) out.nine_digits(resp::value3, n);
    }
    // Company 5240 sends its value 1 as text, not as a number.
    if (out.begins(kIssuerCode, "5240")) out.copy(resp::value1, kNumber17, 8);
}

void fill_kind70_values(ResponseFill& out) {
    // All nine bytes of " %c%07d": a blank, the 12th character of field 20
    // (a NUL when its text is shorter, which the POS sees as a blank) and the
    // first seven digits of N.
    std::string_view line = out.field(kText20);
    int n = out.number(kNumber18);
    char buf[32];
    std::snprintf(buf, sizeof buf, " %c%07d", line.size() > 11 ? line[11] : '\0', n > 0 ? n : 0);
    out.bytes(resp::value1, buf);
    out.nine_digits(resp::value2, out.number(kNumber19));
    out.nine_digits(resp::value3, out.number(kNumber17));
}

// "90" replies carry the company in fields 14 and 15.
void fill_kind90(ResponseFill& out) {
    bool ok = out.approved();
    out.resp_code(ok ? kRespApproved : kRespDeclined);
    out.company(resp::issuer_code, kCompanyCode);
    out.copy(resp::issuer_name, kCompanyName, 20);
    out.copy(resp::merchant_no, kMerchantNo, 15);
    out.copy(resp::tran_datetime, kDateTime, 12);
    if (ok) out.copy(resp::auth_no, kAuthNo, 12);
    fill_message_and_lines(out);
    out.nine_digits(resp::value1, out.digits(kText21));
    out.nine_digits(resp::value2, out.number(kNumber17));
    out.nine_digits(resp::value3, out.digits(kText20));
}

// The points layout.
void fill_points(ResponseFill& out, const KindRow& k) {
    bool ok = out.approved();
    out.resp_code(ok ? kRespApproved : kRespDeclined);
    char date[16];
    std::snprintf(date, sizeof date, "20%.6s", out.slot(kDateTime));
    out.text(resp::pt_date, date);
    std::string_view when = out.field(kDateTime);
    out.text(resp::pt_time, when.substr(when.size() > 6 ? 6 : when.size()), 6);
    if (ok) out.copy(resp::pt_auth_no, kAuthNo, 12);
    out.company(resp::pt_company_code, kCompanyCode);
    out.copy(resp::pt_company_name, kCompanyName, 20);
    out.copy(resp::pt_merchant_no, kMerchantNo, 15);
    out.nine_digits(resp::pt_value1, out.number(kNumber18));
    out.nine_digits(resp::pt_value2, out.number(kNumber17));
    out.nine_digits(resp::pt_value3, out.number(kNumber19));
    if (ok) {
        out.copy(resp::pt_message, kText20, 24);
        out.copy(resp::pt_line1, kText21, 24);
        return;
    }
    out.two_lines(resp::pt_message, "%.16s%.16s");
    if (k.decline_line1) {
        out.text(resp::pt_line1, k.decline_line1);
    } else {
        out.copy(resp::pt_line1, kText20, 24);
    }
    out.copy(resp::pt_line2, kText21, 24);
}

void fill(ResponseFill& out, const KindRow& k) {
    switch (k.family) {
        case Family::cheque: fill_cheque(out); break;
        case Family::kind90: fill_kind90(out); break;
        case Family::points: fill_points(out, k); break;
        case Family::management: break;
        default:
            fill_card(out, k.family);
            if (k.values == Values::card) fill_card_values(out);
            if (k.values == Values::kind70) fill_kind70_values(out);
    }
}

}  // namespace

void split_host_reply(ParsedReply& fields, const char* reply, int length) {
    std::array<char, kMessageCapacity> work{};
    std::size_t n = length < 0 ? 0 : static_cast<std::size_t>(length);
    if (n > work.size()) n = work.size();
    std::memcpy(work.data(), reply, n);
    int converted = convert_keystrokes(work.data(), static_cast<int>(n));
    fields.clear();
    split_reply(fields, work.data(), converted);
}

bool reply_approved(const ParsedReply& fields) { return fields.slot(kApprovalFlag)[0] == 'O'; }

void fill_response(char* response, const ParsedReply& fields, int message_kind) {
    ResponseFill out(response, fields);
    fill(out, kind_of(message_kind));
}

void parse_reply(char* response, const char* reply, int length, int message_kind) {
    if (kind_of(message_kind).family == Family::management) return;
    ParsedReply fields;
    split_host_reply(fields, reply, length);
    fill_response(response, fields, message_kind);
}

}  // namespace zpos
