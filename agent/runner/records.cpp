#include "agent/runner/records.h"

#include <cstring>

#include "agent/api/validate.h"
#include "agent/platform/platform.h"
#include "zposapp_records.h"

namespace zpos::agent {

namespace {

bool set_text(RequestRecord& r, int offset, int width, const std::string& text) {
    return zposapp_set_text(r, offset, width, text.c_str()) == ZPOSAPP_FIELD_OK;
}

bool set_number(RequestRecord& r, int offset, int width, long long value) {
    return zposapp_set_number(r, offset, width, std::to_string(value).c_str()) == ZPOSAPP_FIELD_OK;
}

// A field's text without its trailing blanks, as UTF-8.
std::string text(const ResponseRecord& r, int offset, int width) {
    char buf[ZPOSAPP_RESPONSE_SIZE + 1];
    if (zposapp_get_text(r, sizeof r, offset, width, buf, sizeof buf) < 0) return "";
    return cp949_to_utf8(buf);
}

}  // namespace

std::string cp949_to_utf8(const std::string& bytes) {
    return platform::cp949_to_utf8(bytes);
}

bool build_request(const TxRequest& tx, RequestRecord& r) {
    if (zposapp_request_start(r, tx.msg_type.c_str(), tx.tran_kind.c_str(), tx.terminal_id.c_str()) != ZPOSAPP_FIELD_OK)
        return false;
    bool ok = true;
    if (tx.points) {
        ok = set_text(r, ZPOSAPP_FIELD(REQ, PT_MEDIA), tx.pt_media) && set_text(r, ZPOSAPP_FIELD(REQ, PT_SUB), tx.pt_sub) &&
             set_text(r, ZPOSAPP_FIELD(REQ, PT_TRACK2), tx.track2) && set_number(r, ZPOSAPP_FIELD(REQ, PT_AMT), tx.amount);
        if (ok && !tx.org_auth_no.empty())
            ok = set_text(r, ZPOSAPP_FIELD(REQ, PT_ORG_AUTH_NO), tx.org_auth_no) &&
                 set_text(r, ZPOSAPP_FIELD(REQ, PT_ORG_AUTH_DATE), tx.org_auth_date);
    } else if (tx.tran_kind == "20") {
        ok = set_text(r, ZPOSAPP_FIELD(REQ, CHK_CODE), tx.chk_code) &&
             set_text(r, ZPOSAPP_FIELD(REQ, CHK_NUMBER), tx.chk_number) &&
             set_text(r, ZPOSAPP_FIELD(REQ, CHK_ACCOUNT), tx.chk_account) &&
             set_number(r, ZPOSAPP_FIELD(REQ, CHK_AMOUNT), tx.amount);
    } else {
        ok = set_text(r, ZPOSAPP_FIELD(REQ, ENTRY_MODE), tx.keyed ? "@" : "S") &&
             set_text(r, ZPOSAPP_FIELD(REQ, TRACK2), tx.track2) &&
             set_number(r, ZPOSAPP_FIELD(REQ, INSTALL_MONTHS), tx.install_months) &&
             set_number(r, ZPOSAPP_FIELD(REQ, AMT_EXTRA1), 0) && set_number(r, ZPOSAPP_FIELD(REQ, AMT_EXTRA2), 0) &&
             set_number(r, ZPOSAPP_FIELD(REQ, TRAN_AMT), tx.amount);
        if (ok && !tx.org_auth_no.empty())
            ok = set_text(r, ZPOSAPP_FIELD(REQ, ORG_AUTH_NO), tx.org_auth_no) &&
                 set_text(r, ZPOSAPP_FIELD(REQ, ORG_AUTH_DATE), tx.org_auth_date);
        if (ok && !tx.cvm_data.empty()) ok = set_text(r, ZPOSAPP_FIELD(REQ, CVM_DATA), tx.cvm_data);
    }
    return ok;
}

std::string resp_code(const ResponseRecord& r) {
    return std::string(r + ZPOSAPP_RESP_RESP_CODE_OFFSET, ZPOSAPP_RESP_RESP_CODE_WIDTH);
}

nlohmann::json read_response(const TxRequest& tx, int result, const ResponseRecord& r) {
    nlohmann::json j;
    j["result"] = {{"code", result}, {"text", zposapp_send_result_text(result)}};
    std::string code = resp_code(r);
    j["resp_code"] = code;
    j["approved"] = result == ZPOSAPP_SEND_REPLIED &&
                    zposapp_field_is(r, sizeof r, ZPOSAPP_FIELD(RESP, RESP_CODE), ZPOSAPP_RESP_CODE_APPROVED) == 1;
    j["amount"] = tx.amount;
    if (tx.points) {
        std::string date = text(r, ZPOSAPP_FIELD(RESP, PT_DATE)), time = text(r, ZPOSAPP_FIELD(RESP, PT_TIME));
        j["auth_no"] = text(r, ZPOSAPP_FIELD(RESP, PT_AUTH_NO));
        j["tran_datetime"] = date.size() == 8 ? date.substr(2) + time : date + time;
        j["message"] = text(r, ZPOSAPP_FIELD(RESP, PT_MESSAGE));
        j["issuer_name"] = text(r, ZPOSAPP_FIELD(RESP, PT_COMPANY_NAME));
        j["merchant_no"] = text(r, ZPOSAPP_FIELD(RESP, PT_MERCHANT_NO));
        j["points"] = {text(r, ZPOSAPP_FIELD(RESP, PT_VALUE1)), text(r, ZPOSAPP_FIELD(RESP, PT_VALUE2)),
                       text(r, ZPOSAPP_FIELD(RESP, PT_VALUE3))};
    } else if (tx.tran_kind == "20") {
        j["message"] = text(r, ZPOSAPP_FIELD(RESP, CHK_MESSAGE));
    } else {
        j["auth_no"] = text(r, ZPOSAPP_FIELD(RESP, AUTH_NO));
        j["tran_datetime"] = text(r, ZPOSAPP_FIELD(RESP, TRAN_DATETIME));
        j["message"] = text(r, ZPOSAPP_FIELD(RESP, MESSAGE));
        j["issuer_name"] = text(r, ZPOSAPP_FIELD(RESP, ISSUER_NAME));
        j["merchant_no"] = text(r, ZPOSAPP_FIELD(RESP, MERCHANT_NO));
    }
    return j;
}

}  // namespace zpos::agent
