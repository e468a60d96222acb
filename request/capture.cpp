// Signature and PIN capture through the pad library: when a signature or PIN
// is asked for, the buffers handed to the pad, the daily pad report and the
// log lines of each step.
#include "request/capture.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/platform.h"
#include "request/pad_library.h"
#include "support/card_mask.h"
#include "support/fields.h"
#include "support/korean_texts.h"
#include "support/log.h"
#include "support/log_lines.h"
#include "support/message_kinds.h"
#include "support/settings.h"

namespace zpos {

namespace {

void today_yymmdd(char (&out)[8]) {
    std::tm tm{};
    platform::local_time(platform::now(), tm);
    if (std::strftime(out, sizeof out, "%y%m%d", &tm) == 0) out[0] = '\0';
}

// Marks the day's pad report in the buffer when it is due and records the day,
// before the pad is reached, so a report that fails is not retried today.
void mark_daily_report(const CallState& call, SignatureBuffer& buf) {
    char today[8] = {};
    today_yymmdd(today);
    bool hcs = setting_begins(call, settings::kValue, "HCS");
    char last[settings::kCurDate.size] = {};
    settings_read(call, settings::kCurDate, last);
    if (!hcs || std::strncmp(last, today, 6) == 0) return;
    write_log_format(log_lines::kPadReportBuffer, log_lines::kPadReport, last, today);
    settings_write(call, settings::kCurDate, today);
    buf.bytes[sign_buffer::report_flag.offset] = '1';
}

// The card number for the PIN pad, placed in the PIN buffer's card field.
void put_pin_card(const char* request, const KindRow& k, char* pin) {
    std::string_view card;
    std::size_t max;
    if (k.family == Family::cvm) {
        card = field_text(request, req::track2);
        max = 19;
    } else {
        card = field_text(request, req::pt_track2);
        max = pin_buffer::card.width;
    }
    card = card.substr(0, card.find('='));
    if (card.size() > max) card = card.substr(0, max);
    if (card.size() > pin_buffer::card.width) card = card.substr(card.size() - pin_buffer::card.width);
    std::memcpy(pin + pin_buffer::card.offset, card.data(), card.size());
}

}  // namespace

int capture_signature(const CallState& call, const char* request, SignatureBuffer& buf, bool log_pad_fields) {
    buf.bytes.fill(0);
    mark_daily_report(call, buf);

    ExternalLibrary pad;
    auto sign = pad.open<PadFunction>(call, kPadSign);
    if (!sign) return kSignNone;
    char port_text[settings::kGetComPort.size] = {};
    int port = pad_port(call, port_text);
    write_log_format(log_lines::kPadPortBuffer, log_lines::kPadPort, port_text);

    std::snprintf(buf.bytes.data() + sign_buffer::field_c.offset, 10, "%-9.9s", request + req::tran_amt.offset);
    int result = sign(buf.bytes.data(), port, kPadConstant);
    pad.release();

    const char* b = buf.bytes.data();
    if (log_pad_fields) {
        write_log_format(log_lines::kPadFieldABuffer, log_lines::kPadFieldA, b + sign_buffer::field_a.offset);
        write_log_format(log_lines::kPadFieldCBuffer, log_lines::kPadFieldC, b + sign_buffer::field_c.offset);
        write_log_format(log_lines::kPadFieldBBuffer, log_lines::kPadFieldB, b + sign_buffer::field_b.offset);
    }
    write_log_format(log_lines::kSignLengthBuffer, log_lines::kSignLength, result);

    if (result == 2) return kSignRefused;
    if (result == 0) {
        write_log_format(log_lines::kSignZeroBuffer, log_lines::kSignZero, 0);
        return kSignRefused;
    }
    // A pad claiming more than the buffer's kSignDataMax bytes has broken its
    // side of the call: its bytes are not a signature to send, whole or cut.
    if (result < 0 || result > kSignDataMax) return kSignNone;
    return result;
}

SignatureStep signature_step(const CallState& call, const char* request, int kind, SignatureBuffer& buf) {
    SignatureStep step;
    bool sign_enabled = setting_begins(call, settings::kSignSetting, "YES");
    const KindRow& k = kind_of(kind);
    bool cvm = false;
    if (k.family == Family::cvm) {
        char first = request[req::cvm_data.offset];
        cvm = first != ' ' && first != '\0';
    }
    int amount = is_payment(k.family) ? field_value(request, req::tran_amt) : 0;

    if (amount <= kSignThreshold && !cvm) {
        write_log_format(log_lines::kNoCvmSignBuffer, log_lines::kNoCvmSign, amount);
        return step;
    }
    if (!sign_enabled || k.family == Family::cash) {
        step.not_signed = true;
        return step;
    }
    step.capture_ran = true;
    int result = capture_signature(call, request, buf, true);
    if (result == kSignRefused) step.refused = true;
    if (result > 0) step.length = result;
    step.signature = signature_of(result);
    return step;
}

void pause_not_signed() {
    platform::sleep_ms(kNoSignPauseMs);
    WriteLogText(log_lines::kNotSign);
}

bool pin_step(const CallState& call, const char* request, int kind, std::span<char, pin_buffer::block.width> block) {
    const KindRow& k = kind_of(kind);
    if (!k.pin_step) return false;
    if (!setting_begins(call, settings::kPin, "YES")) return false;

    ExternalLibrary pad;
    auto read_pin = pad.open<PadFunction>(call, kPadPin);
    if (!read_pin) return false;
    char port_text[settings::kGetComPort.size] = {};
    int port = pad_port(call, port_text);

    char pin[pin_buffer::kSize] = {};
    put_pin_card(request, k, pin);
    std::memcpy(pin + pin_buffer::mode.offset, k.family == Family::points ? "04" : "06", pin_buffer::mode.width);
    std::memcpy(pin + pin_buffer::prompt.offset, texts::kPinPrompt, sizeof texts::kPinPrompt);
    char shown[pin_buffer::card.width + 1] = {};
    std::memcpy(shown, pin + pin_buffer::card.offset, pin_buffer::card.width);
    if (strict_masking(call)) mask_card_field(shown, pin_buffer::card.width);
    write_log_format(log_lines::kPinCardBuffer, log_lines::kPinCard, shown);

    int result = read_pin(pin, port, kPadConstant);
    pad.release();
    write_log_format(log_lines::kPinResultBuffer, log_lines::kPinResult, result, pin + pin_buffer::block.offset);
    std::memcpy(block.data(), pin + pin_buffer::block.offset, pin_buffer::block.width);
    return true;
}

}  // namespace zpos
