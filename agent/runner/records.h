// The library's records: the request built from a checked transaction, and
// the reply read back into the fields the API shows. The one place the agent
// uses the record helpers of zposapp_records.h.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "zposapp.h"

namespace zpos::agent {

struct TxRequest;

using RequestRecord = char[ZPOSAPP_REQUEST_SIZE];
using ResponseRecord = char[ZPOSAPP_RESPONSE_SIZE];

// False when a field was refused (the checks before should make that
// impossible); nothing is then sent.
bool build_request(const TxRequest& tx, RequestRecord& record);

// The reply's fields as the API shows them, Korean texts as UTF-8, the card
// masked. `result` is Zelta_Send's.
nlohmann::json read_response(const TxRequest& tx, int result, const ResponseRecord& record);

// resp_code of the reply, four characters.
std::string resp_code(const ResponseRecord& record);

// CP949 bytes as UTF-8 (a byte that is not CP949 becomes U+FFFD).
std::string cp949_to_utf8(const std::string& bytes);

}  // namespace zpos::agent
