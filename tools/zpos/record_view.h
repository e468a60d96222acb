// Field-by-field views of the request and response records for the
// command-line POS: names, offsets, widths, Korean texts shown in UTF-8.
#pragma once

#include <cstdio>
#include <string>

namespace zpos::cli {

// CP949 bytes as UTF-8 (bytes that do not convert are shown as '?').
std::string to_utf8(const char* cp949, std::size_t len);

void print_request(std::FILE* out, const char* request);
void print_response(std::FILE* out, const char* response);

}  // namespace zpos::cli
