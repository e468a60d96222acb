// The two fixed-layout records exchanged with the POS: the 240-byte request
// record and the 450-byte response record, every field with its offset and
// width, and the values of resp_code. Callers name a field, never a number.
// The fields and the values are written from tables/record_fields.tsv and
// tables/resp_codes.tsv into the build folder's support/record_tables.h
// (tables/generate.py); edit the tables.
#pragma once

#include <cstddef>

namespace zpos {

struct Field {
    std::size_t offset;
    std::size_t width;
};

}  // namespace zpos

#include "support/record_tables.h"

namespace zpos::req {
// The message type's second character, '2' or '4', picks the response type.
inline constexpr std::size_t kMsgTypeSelector = msg_type.offset + 1;
// entry_mode of a card number keyed in.
inline constexpr char kKeyedEntry = '@';
}  // namespace zpos::req
