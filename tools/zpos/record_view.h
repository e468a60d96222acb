// Field-by-field views of the request and response records for the
// command-line POS: names, offsets, widths, Korean texts shown in UTF-8, card
// numbers masked.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "tools/zpos/name_tables.h"

namespace zpos::cli {

// The layout a record's tran_kind selects (both records keep it at the same
// place): points, cheque or card.
Layout layout_of(const char* record);

// CP949 bytes as UTF-8 (bytes that do not convert are shown as '?').
std::string to_utf8(const char* cp949, std::size_t len);

// A field holding a card: the card number (its first run of digits) keeps its
// first six and last four digits, everything after it (expiry and the rest of
// the track) is hidden; a number whose end is already hidden keeps only its
// first six. Blanks stay blanks.
std::string mask_card(std::string_view text);

void print_request(std::FILE* out, const char* request);
void print_response(std::FILE* out, const char* response);

}  // namespace zpos::cli
