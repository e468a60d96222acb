// The record layouts as display tables, chosen by transaction kind.
#include "tools/zpos/record_view.h"

#include <iconv.h>

#include <cstring>

#include "tools/zpos/name_tables.h"

namespace zpos::cli {

namespace {

// Fields that hold a card's track or number, in both records.
constexpr std::string_view kCardFields[] = {"card_data", "track2", "pt_card_data", "pt_track2"};

bool is_card_field(std::string_view name) {
    for (std::string_view card : kCardFields)
        if (name == card) return true;
    return false;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The head and the record's own layout, field by field in table order.
template <std::size_t N>
void print_fields(std::FILE* out, const char* record, const NamedField (&fields)[N]) {
    Layout layout = layout_of(record);
    for (const NamedField& n : fields) {
        if (n.layout != Layout::head && n.layout != layout) continue;
        std::string text = to_utf8(record + n.field.offset, n.field.width);
        if (is_card_field(n.name)) text = mask_card(text);
        std::fprintf(out, "  %-16s %3zu %3zu  [%s]\n", n.name, n.field.offset, n.field.width, text.c_str());
    }
}

}  // namespace

Layout layout_of(const char* record) {
    std::string_view kind(record + ZPOSAPP_REQ_TRAN_KIND_OFFSET, ZPOSAPP_REQ_TRAN_KIND_WIDTH);
    return kind == "40" ? Layout::points : kind == "20" ? Layout::cheque : Layout::card;
}

std::string mask_card(std::string_view text) {
    std::string out(text);
    std::size_t start = 0;
    while (start < out.size() && !is_digit(out[start])) ++start;
    std::size_t end = start;
    while (end < out.size() && is_digit(out[end])) ++end;
    bool whole = end == out.size() || out[end] == '=' || out[end] == ' ';
    std::size_t last_shown = whole && end - start >= 10 ? end - 4 : end;
    for (std::size_t i = start + 6; i < last_shown; ++i) out[i] = '*';
    for (std::size_t i = end; i < out.size(); ++i)
        if (out[i] != ' ') out[i] = '*';
    return out;
}

std::string to_utf8(const char* cp949, std::size_t len) {
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "CP949");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(cp949, len);
    std::string in_buf(cp949, len);
    for (char& c : in_buf)
        if (c == '\0') c = ' ';
    char* in = in_buf.data();
    std::size_t in_left = len;
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

void print_request(std::FILE* out, const char* r) { print_fields(out, r, kRequestFields); }

void print_response(std::FILE* out, const char* r) { print_fields(out, r, kResponseFields); }

}  // namespace zpos::cli
