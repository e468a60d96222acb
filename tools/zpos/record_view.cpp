// The record layouts as display tables, chosen by transaction kind.
#include "tools/zpos/record_view.h"

#include <iconv.h>

#include <cstring>
#include <string_view>

#include "support/records.h"

namespace zpos::cli {

namespace {

// The layout a record's tran_kind selects: points, cheque or card.
Layout layout_of(const char* record) {
    std::string_view kind(record + req::tran_kind.offset, req::tran_kind.width);
    return kind == "40" ? Layout::points : kind == "20" ? Layout::cheque : Layout::card;
}

// The head and the record's own layout, field by field in table order.
template <std::size_t N>
void print_fields(std::FILE* out, const char* record, const NamedField (&fields)[N]) {
    Layout layout = layout_of(record);
    for (const NamedField& n : fields) {
        if (n.layout != Layout::head && n.layout != layout) continue;
        std::string text = to_utf8(record + n.field.offset, n.field.width);
        std::fprintf(out, "  %-16s %3zu %3zu  [%s]\n", n.name, n.field.offset, n.field.width, text.c_str());
    }
}

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

void print_request(std::FILE* out, const char* r) { print_fields(out, r, req::kFields); }

void print_response(std::FILE* out, const char* r) { print_fields(out, r, resp::kFields); }

}  // namespace zpos::cli
