// What the host makes of a request and what it answers: the request frame
// decoded into its fields, the scenario's first matching rule, and the reply
// body with all 47 fields.
#pragma once

#include <string>
#include <vector>

#include "tools/host/scenario.h"

namespace zpos::host {

// One request the host decoded.
struct SeenRequest {
    char type = 0;              // 'I' transaction, 'S' management
    std::string code;           // transaction code, "11" for management
    std::string term_id;
    std::string card;           // track2 or card number
    std::string expiry;         // split form only
    long amount = 0;
    bool check_ok = false;      // check byte matched
    bool length_ok = false;     // length field equals the message length
    bool approved = false;
    std::vector<std::string> fields;  // every FS-separated field after the header
    std::string block;          // security block after the message
};

// Decodes a request frame (outer length, message length, masked message,
// security block) and decides it by the scenario's rules.
SeenRequest decode_request(const Scenario& scenario, const std::string& frame);

// The reply body the host sends for a decoded request (plain, before masking):
// STX, six header bytes, fields 0 to 46 (46 empty behind its length 0000),
// ETX, check byte.
std::string reply_body(const Scenario& scenario, const SeenRequest& request);

}  // namespace zpos::host
