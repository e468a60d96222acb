// A transaction request as the POS sends it, checked field by field before
// anything is journalled or sent: every field the record needs, each within
// its width and of the characters it takes, and nothing else.
#pragma once

#include <map>
#include <string>

#include <nlohmann/json.hpp>

namespace zpos::agent {

struct Config;

// The transaction, as the record builder takes it.
struct TxRequest {
    std::string type;
    std::string msg_type;   // 0200 or 0420
    std::string tran_kind;  // 10, 30, 21, ...
    bool points = false;    // sent with Zelta_OKCashbag
    std::string terminal_id;
    std::string track2;     // card layout and points
    bool keyed = false;
    long long amount = 0;
    int install_months = 0;
    std::string org_auth_no, org_auth_date;
    std::string cvm_data;
    std::string chk_code, chk_number, chk_account;
    std::string pt_media, pt_sub;
    bool auto_ack = false;
};

using FieldErrors = std::map<std::string, std::string>;

// Checks `body` (already parsed JSON); fills `out`, or names each bad field.
bool validate_transaction(const nlohmann::json& body, const Config& config, TxRequest& out, FieldErrors& errors);

// POST /v1/downloads: {"text": "..."} of at most 24 printable ASCII characters.
bool validate_download(const nlohmann::json& body, std::string& request, FieldErrors& errors);

// The card or identity number shown to people: the first six and last four
// digits, the rest as *.
std::string masked_card(const std::string& track2);

}  // namespace zpos::agent
