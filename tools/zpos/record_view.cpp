// The record layouts as display tables, chosen by transaction kind.
#include "tools/zpos/record_view.h"

#include <iconv.h>

#include <cstring>
#include <initializer_list>
#include <string_view>

#include "entry/records.h"

namespace zpos::cli {

namespace {

struct Named {
    const char* name;
    Field field;
};

void print_fields(std::FILE* out, const char* record, std::initializer_list<Named> fields) {
    for (const Named& n : fields) {
        std::string text = to_utf8(record + n.field.offset, n.field.width);
        std::fprintf(out, "  %-16s %3zu %3zu  [%s]\n", n.name, n.field.offset, n.field.width, text.c_str());
    }
}

std::string_view kind_of(const char* record) { return {record + req::tran_kind.offset, 2}; }

}  // namespace

std::string to_utf8(const char* cp949, std::size_t len) {
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "CP949");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(cp949, len);
    char in_buf[512];
    std::size_t n = len < sizeof in_buf ? len : sizeof in_buf;
    std::memcpy(in_buf, cp949, n);
    for (std::size_t i = 0; i < n; ++i)
        if (in_buf[i] == '\0') in_buf[i] = ' ';
    char* in = in_buf;
    std::size_t in_left = n;
    while (in_left > 0) {
        char out_buf[1024];
        char* o = out_buf;
        std::size_t out_left = sizeof out_buf;
        std::size_t r = iconv(cd, &in, &in_left, &o, &out_left);
        out.append(out_buf, o);
        if (r == static_cast<std::size_t>(-1) && in_left > 0) {
            out.push_back('?');
            ++in;
            --in_left;
        }
    }
    iconv_close(cd);
    return out;
}

void print_request(std::FILE* out, const char* r) {
    print_fields(out, r, {{"msg_type", req::msg_type}, {"tran_kind", req::tran_kind}, {"term_id", req::term_id}});
    if (kind_of(r) == "40") {
        print_fields(out, r, {{"pt_media", req::pt_media}, {"pt_sub", req::pt_sub}, {"pt_track2", req::pt_track2},
                              {"pt_amt", req::pt_amt}});
    } else if (kind_of(r) == "20") {
        print_fields(out, r, {{"chk_number", req::chk_number}, {"chk_amount", req::chk_amount}});
    } else {
        print_fields(out, r, {{"entry_mode", req::entry_mode}, {"track2", req::track2},
                              {"install_months", req::install_months}, {"tran_amt", req::tran_amt},
                              {"org_auth_no", req::org_auth_no}, {"org_auth_date", req::org_auth_date}});
    }
}

void print_response(std::FILE* out, const char* r) {
    print_fields(out, r, {{"rec_len", resp::rec_len}, {"msg_type", resp::msg_type}, {"tran_kind", resp::tran_kind},
                          {"term_id", resp::term_id}, {"resp_code", resp::resp_code}});
    if (kind_of(r) == "40") {
        print_fields(out, r, {{"pt_date", resp::pt_date}, {"pt_time", resp::pt_time}, {"pt_auth_no", resp::pt_auth_no},
                              {"pt_company_code", resp::pt_company_code}, {"pt_company_name", resp::pt_company_name},
                              {"pt_merchant_no", resp::pt_merchant_no}, {"pt_value1", resp::pt_value1},
                              {"pt_value2", resp::pt_value2}, {"pt_value3", resp::pt_value3},
                              {"pt_message", resp::pt_message}, {"pt_line1", resp::pt_line1},
                              {"pt_line2", resp::pt_line2}});
    } else if (kind_of(r) == "20") {
        print_fields(out, r, {{"chk_message", resp::chk_message}});
    } else {
        print_fields(out, r, {{"card_data", resp::card_data}, {"tran_amt", resp::tran_amt},
                              {"issuer_code", resp::issuer_code}, {"issuer_name", resp::issuer_name},
                              {"acquirer_code", resp::acquirer_code}, {"acquirer_name", resp::acquirer_name},
                              {"merchant_no", resp::merchant_no}, {"tran_datetime", resp::tran_datetime},
                              {"auth_no", resp::auth_no}, {"message", resp::message},
                              {"info_line1", resp::info_line1}, {"value1", resp::value1},
                              {"sign_flag", resp::sign_flag}});
    }
}

const char* result_meaning(int result) {
    switch (result) {
        case 1: return "the host replied";
        case -1: return "refused by the library, reply time-out or broken reply";
        case -2: return "the host answered with a short frame";
        case -3: return "the link was not readable";
        case -4: return "the request was not sent";
        case -5: return "no ENQ from the host, or the request was not sent";
        case -6: return "no connection to the host";
        case -8: return "the backup library is unusable";
        case -9: return "the backup request could not be built";
        case -10: return "the request could not be built";
        case -12: return "no close from the host; the management message failed";
        case -13: return "no close from the host; reported by the management message";
        default: return result > 1 ? "bytes received" : "failure";
    }
}

}  // namespace zpos::cli
