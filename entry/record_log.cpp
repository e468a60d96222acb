// Strict masking of a record by the layout its transaction kind gives: the
// card echo, and in a response the host's texts.
#include "entry/record_log.h"

#include <cstring>
#include <string_view>

#include "entry/call.h"
#include "support/card_mask.h"
#include "support/records.h"
#include "support/settings.h"

namespace zpos {

namespace {

void mask_text_field(char* record, Field f) { mask_card_numbers(record + f.offset, f.width); }

void mask_record_strictly(char* record, bool response) {
    std::string_view kind_code(record + req::tran_kind.offset, req::tran_kind.width);
    if (kind_code == "20") {
        if (response) mask_text_field(record, resp::chk_message);
        return;
    }
    if (kind_code == "40") {
        Field card = response ? resp::pt_card_data : req::pt_card_data;
        mask_card_field(record + card.offset, card.width);
        if (!response) return;
        for (Field f : {resp::pt_message, resp::pt_line1, resp::pt_line2}) mask_text_field(record, f);
        return;
    }
    Field card = response ? resp::card_data : req::card_data;
    mask_card_field(record + card.offset, card.width);
    if (!response) return;
    for (Field f : {resp::message, resp::info_line1, resp::info_line2, resp::info_line3}) mask_text_field(record, f);
}

}  // namespace

void log_record(RecordLogger writer, const char* record, std::size_t size) {
    if (!strict_masking(g_module.call)) {
        writer(record, static_cast<std::int32_t>(size));
        return;
    }
    char copy[resp::kSize];
    std::memcpy(copy, record, size);
    mask_record_strictly(copy, size == resp::kSize);
    writer(copy, static_cast<std::int32_t>(size));
}

}  // namespace zpos
