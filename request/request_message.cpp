// Building the host request message for every message kind: header, fields 1
// to 30 in order (PIN and signature steps on the way), the TF/PA blocks, ETX
// and the length fix-up. Fixed fields are cut or NUL-padded to their width.
#include "request/request_message.h"

#include <cstdio>
#include <cstring>

#include "request/capture.h"
#include "support/log.h"
#include "support/log_lines.h"
#include "support/message_kinds.h"

namespace zpos {

namespace {

constexpr std::size_t kLengthOffset = 3;

bool keyed(const char* request) { return request[req::entry_mode.offset] == req::kKeyedEntry; }

void fs(Writer& w) { w.put(wire::kFS); }

// "%08d"-style numbers: `width` 0 writes the text, otherwise exactly `width` bytes.
void put_number(Writer& w, const char* format, int value, std::size_t width) {
    char work[32] = {};
    int n = std::snprintf(work, sizeof work, format, value);
    std::string_view text(work, n > 0 ? static_cast<std::size_t>(n) : 0);
    if (width) {
        w.put_fixed(text, width);
    } else {
        w.put(text);
    }
}

bool ext_tf_present(const char* request) {
    return request[req::ext_tf.offset] == 'T' && request[req::ext_tf.offset + 1] == 'F';
}

bool ext_pa_present(const char* request) {
    char c = request[req::ext_pa.offset];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Left-justified, blank-padded to `width` ("%-N.Ns").
void put_padded(Writer& w, std::string_view text, std::size_t width) {
    if (text.size() > width) text = text.substr(0, width);
    w.put(text);
    for (std::size_t i = text.size(); i < width; ++i) w.put(' ');
}

void put_transaction_code(Writer& w, const char* request, const KindRow& k) {
    const char* code = keyed(request) ? k.code_keyed : k.code_swiped;
    if (k.code_balance && field_value(request, req::tran_amt) == 1) code = k.code_balance;
    w.put_fixed(code, 2);
}

// The card field of kinds 2 and 4, also field 14 of kinds 7 to 10.
void put_card_or_split(Writer& w, const char* request) {
    if (keyed(request)) {
        put_split_form(w, request);
    } else {
        w.put(field_text(request, req::track2));
    }
}

// Field 2 (for a cheque, fields 2 and 3: the number and the account).
void put_card_field(Writer& w, const char* request, const KindRow& k) {
    std::string_view track = field_text(request, req::track2);
    switch (k.family) {
        case Family::cheque:
            w.put(field_text(request, req::chk_number));
            fs(w);
            w.put(field_text(request, req::chk_account));
            break;
        case Family::card: put_card_or_split(w, request); break;
        case Family::cash:
            // A keyed identity number goes out as its leading digits.
            if (keyed(request)) {
                std::size_t n = 0;
                while (n < track.size() && track[n] >= '0' && track[n] <= '9') ++n;
                track = track.substr(0, n);
            }
            w.put(track);
            break;
        case Family::cvm: w.put(track); break;
        default: break;
    }
}

void put_two_character_field(Writer& w, const char* request, const KindRow& k) {
    if (k.family == Family::cheque) {
        w.put_fixed(field_text(request, req::chk_code), 2);
    } else if (is_payment(k.family)) {
        w.put_fixed(field_text(request, req::install_months), 2);
    } else if (k.family == Family::kind90) {
        w.put_fixed("01", 2);
    } else if (k.family == Family::points) {
        std::string_view media(request + req::pt_media.offset, 2);
        const char* sent = media == "01" ? "01" : media == "02" ? "02" : media == "03" ? "04"
                         : media == "04" ? "03" : "";
        w.put_fixed(sent, 2);
    }
    // Kinds "70" send nothing at all here.
}

int message_amount(const char* request, const KindRow& k) {
    switch (k.family) {
        case Family::cheque: return field_value(request, req::chk_amount);
        case Family::points: return field_value(request, req::pt_amt);
        case Family::kind70:
        case Family::kind90: return field_value(request, req::tran_amt);
        default: break;
    }
    if (!is_payment(k.family)) return 0;
    return field_value(request, req::tran_amt) - field_value(request, req::amt_extra2) -
           field_value(request, req::amt_extra1);
}

// Field 7: the number of the approval a card, cash or F2 cancellation undoes.
void put_cancelled_auth_no(Writer& w, const char* request, const KindRow& k) {
    if (!k.cancel || !is_payment(k.family)) return;
    if (k.family != Family::cash) {
        w.put_fixed(field_text(request, req::org_auth_no), 8);
        return;
    }
    char work[16] = {};
    std::snprintf(work, sizeof work, "11%.7s", request + req::org_auth_no.offset);
    w.put_fixed(text_of(work, 9), 9);
}

// Field 8: the cheque's date, or the date of the approval being cancelled.
void put_six_character_field(Writer& w, const char* request, const KindRow& k) {
    if (k.family == Family::cheque) {
        w.put_fixed(field_text(request, req::chk_number_tail), 6);
    } else if (k.cancel) {
        w.put_fixed(field_text(request, k.family == Family::points ? req::pt_org_auth_date : req::org_auth_date), 6);
    }
}

void put_media_code(Writer& w, const char* request, const KindRow& k) {
    std::string_view tran_kind(request + req::tran_kind.offset, 2);
    if (k.family == Family::points) {
        w.put_fixed("06", 2);
    } else if (k.family == Family::kind70) {
        w.put_fixed(tran_kind == "70" ? "02" : "04", 2);
    } else if (k.family == Family::kind90) {
        w.put_fixed(tran_kind == "90" ? "03" : "04", 2);
    }
}

// Field 13: the approval number a "70", "90" or points cancellation undoes.
void put_field_13(Writer& w, const char* request, const KindRow& k) {
    if (!k.cancel) return;
    if (k.family == Family::kind70 || k.family == Family::kind90) {
        w.put_fixed(field_text(request, req::org_auth_no), 8);
    } else if (k.family == Family::points) {
        put_padded(w, field_text(request, req::pt_org_auth_no), 12);
    }
}

void put_second_card_field(Writer& w, const char* request, const KindRow& k) {
    if (k.family == Family::kind70 || k.family == Family::kind90) {
        put_card_or_split(w, request);
    } else if (k.family == Family::points) {
        w.put(field_text(request, req::pt_track2));
    }
}

}  // namespace

void put_split_form(Writer& w, const char* request) {
    const char* track = request + req::track2.offset;
    std::size_t sep = 0;
    while (sep < 20 && track[sep] != '=' && track[sep] != wire::kFS) ++sep;
    if (sep < 20) {
        w.put(text_of(track, sep));
        w.put(wire::kFS);
        w.put_fixed(text_of(track + sep + 1, 4), 4);
    } else {
        w.put(wire::kFS);
        w.put_fixed(text_of(track + 21, 4), 4);
    }
}

namespace {

// Header and fields 1 to 8: false when the total is over the limit.
bool put_head_and_amounts(Writer& w, const char* request, const KindRow& k) {
    w.put(wire::kSTX);
    w.put('I');
    w.put(keyed(request) ? 'K' : 'S');
    w.put("    ");  // the length, filled in last
    w.put("POS");
    put_transaction_code(w, request, k);
    fs(w);

    w.put_fixed(field_text(request, req::term_id), 10);  // 1
    fs(w);
    put_card_field(w, request, k);  // 2
    fs(w);
    put_two_character_field(w, request, k);  // 3
    fs(w);

    if (is_payment(k.family)) {
        int total = field_value(request, req::tran_amt);
        if (total > kAmountLimit) {
            write_log_format(log_lines::kAmountOverLimitBuffer, log_lines::kAmountOverLimit, total);
            return false;
        }
    }
    put_number(w, "%08d", message_amount(request, k), 8);  // 4
    fs(w);
    if (is_payment(k.family)) put_number(w, "%08d", field_value(request, req::amt_extra2), 0);  // 5
    fs(w);
    if (is_payment(k.family)) put_number(w, "%08d", field_value(request, req::amt_extra1), 0);  // 6
    fs(w);
    put_cancelled_auth_no(w, request, k);  // 7
    fs(w);
    put_six_character_field(w, request, k);  // 8
    fs(w);
    return true;
}

// Fields 9 to 14: the PIN block, the version code and the kind's codes.
void put_pin_and_codes(const CallState& call, Writer& w, const char* request, const KindRow& k) {
    std::array<char, pin_buffer::block.width> pin{};
    if (pin_step(call, request, k.kind, pin)) w.put(std::string_view(pin.data(), pin.size()));  // 9
    fs(w);
    w.put_fixed(text_of(call.version_code, 6), 6);  // 10
    fs(w);
    w.put('G');  // 11
    fs(w);
    put_media_code(w, request, k);  // 12
    fs(w);
    put_field_13(w, request, k);  // 13
    fs(w);
    put_second_card_field(w, request, k);  // 14
    fs(w);
}

// Fields 15 to 20: the signature, the time stamp and the daily pad report;
// false when the pad refused the signature.
bool put_signature(const CallState& call, Writer& w, const char* request, const KindRow& k, RequestBuilt& built) {
    SignatureBuffer sign;  // 2 KiB for the one build
    SignatureStep step = signature_step(call, request, k.kind, sign);
    built.signature = step.signature;
    built.not_signed = step.not_signed;
    if (step.refused) return false;
    if (step.length > 0) put_number(w, "%04d", step.length, 4);  // 15
    fs(w);
    if (step.length > 0) w.put(std::string_view(sign.data(), static_cast<std::size_t>(step.length)));  // 16
    fs(w);

    char stamp[16] = {};
    std::snprintf(stamp, sizeof stamp, "OITR%.6s", call.tran_time);
    w.put_fixed(text_of(stamp, 10), 10);  // 17
    fs(w);

    bool report = step.capture_ran && sign.report_due();
    const char* pad = sign.bytes.data();
    for (Field f : {sign_buffer::field_a, sign_buffer::field_b, sign_buffer::field_c}) {  // 18 to 20
        if (report) w.put(std::string_view(pad + f.offset, f.width));
        fs(w);
    }
    return true;
}

// Fields 21 to 30, the TF and PA blocks when the request has them, and ETX.
void put_tail(Writer& w, const char* request) {
    for (int i = 21; i <= 24; ++i) fs(w);
    w.put('A');  // 25
    fs(w);
    for (int i = 26; i <= 28; ++i) fs(w);
    bool tf = ext_tf_present(request);
    bool pa = ext_pa_present(request);
    put_number(w, "%02d", 1 + (tf ? 1 : 0) + (pa ? 1 : 0), 2);  // 29
    fs(w);
    w.put("CT02");  // 30
    fs(w);
    if (tf) {  // 31
        put_padded(w, field_text(request, req::ext_tf), 10);
        fs(w);
    }
    if (pa) {  // 32
        w.put("PA");
        put_padded(w, field_text(request, req::ext_pa), 3);
        fs(w);
    }
    w.put(wire::kETX);
}

}  // namespace

RequestBuilt build_request_message(const CallState& call, const char* request,
                                   std::span<char, kRequestMessageSize> out, int k) {
    write_log_format(log_lines::kRequestBuiltBuffer, log_lines::kRequestBuilt, k);
    RequestBuilt built{RequestBuild::refused};
    // One byte stays free for the caller's check byte.
    Writer w(out.first(kRequestMessageSize - 1));
    const KindRow& row = kind_of(k);
    if (!put_head_and_amounts(w, request, row)) return built;
    put_pin_and_codes(call, w, request, row);
    if (!put_signature(call, w, request, row, built)) return built;
    put_tail(w, request);
    if (w.overflowed()) return built;

    built.result = RequestBuild::built;
    built.length = static_cast<int>(w.size());
    char text[8] = {};
    std::snprintf(text, sizeof text, "%04d", built.length + 1);
    std::memcpy(out.data() + kLengthOffset, text, 4);
    return built;
}

}  // namespace zpos
