// The management message (header "SPOS11", 25 fields) and its acknowledgement.
// The keyed-entry card field is the request builder's split form.
#include "link/management.h"

#include <cstdio>
#include <cstring>
#include <span>

#include "link/connection.h"
#include "link/exchange.h"
#include "platform/socket.h"
#include "request/framing.h"
#include "request/request_message.h"
#include "support/fields.h"
#include "support/log.h"
#include "support/log_lines.h"
#include "support/message_kinds.h"
#include "support/records.h"
#include "support/wire.h"

namespace zpos {

namespace {

// A fixed field: exactly `width` bytes of the formatted text, NUL-padded.
void put_fixed_number(Writer& w, int value, std::size_t width) {
    char work[32] = {};
    std::snprintf(work, sizeof work, "%08d", value);
    w.put_fixed(text_of(work, width), width);
}

void put_empty_fields(Writer& w, int count) {
    for (int i = 0; i < count; ++i) w.put(wire::kFS);
}
}  // namespace

int build_management_message(const CallState& call, const char* request, char* out, std::size_t capacity) {
    if (capacity < 2) return 0;
    Writer w(std::span<char>(out, capacity - 1));  // room kept for the check byte
    int amount = field_value(request, req::tran_amt);
    int extra1 = field_value(request, req::amt_extra1);
    int extra2 = field_value(request, req::amt_extra2);

    w.put(wire::kSTX);
    w.put("SPOS11");
    w.put(wire::kFS);
    w.put_fixed(field_text(request, req::term_id), 10);  // 1
    w.put(wire::kFS);
    if (request[req::entry_mode.offset] == req::kKeyedEntry)  // 2
        put_split_form(w, request);
    else
        w.put(field_text(request, req::track2));
    w.put(wire::kFS);
    w.put_fixed(field_text(request, req::install_months), 2);  // 3
    w.put(wire::kFS);
    put_fixed_number(w, amount - extra1 - extra2, 8);  // 4
    w.put(wire::kFS);
    w.put_format(300, "%08d", extra2);  // 5
    w.put(wire::kFS);
    w.put_format(300, "%08d", extra1);  // 6
    w.put(wire::kFS);
    w.put("        ");  // 7
    w.put(wire::kFS);
    w.put("      ");  // 8
    w.put(wire::kFS);
    w.put(wire::kFS);  // 9
    w.put_fixed(text_of(call.version_code, 6), 6);  // 10
    w.put(wire::kFS);
    w.put('G');  // 11
    w.put(wire::kFS);
    put_empty_fields(w, 5);  // 12-16
    w.put("OITR");  // 17
    w.put_fixed(text_of(call.tran_time, 6), 6);
    w.put(wire::kFS);
    put_empty_fields(w, 7);  // 18-24
    w.put('A');  // 25
    w.put(wire::kETX);
    if (w.overflowed()) return 0;
    return frame_message(out, static_cast<int>(w.size()));
}

ManagementResult management_acknowledge(Module& module) {
    const CallState& call = module.call;
    char message[kManagementMessageSize] = {};
    int length = build_management_message(call, call.saved_request, message, sizeof message);

    // The host's answer itself is not read: that it came is what counts.
    if (host_exchange(module, message, "", 0, length).result != ExchangeResult::replied) {
        WriteLogText(log_lines::kManagementError);
        close_link(module.link);
        return ManagementResult::failed;
    }
    long sent = platform::socket_send(module.link.socket, wire::kAckFrame.data(), wire::kAckFrame.size());
    close_link(module.link);
    if (sent <= 0) {
        WriteLogText(log_lines::kAckSendError);
        return ManagementResult::failed;
    }
    WriteLogText(log_lines::kManagementAckSent);
    return ManagementResult::sent;
}

}  // namespace zpos
