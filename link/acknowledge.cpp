// ACK and the EOT wait, shared by Zelta_Ack and the automatic acknowledgement;
// they differ only in log texts and in what a missing EOT leads to.
#include "link/acknowledge.h"

#include <cstring>

#include "link/connection.h"
#include "link/exchange.h"
#include "link/link_timing.h"
#include "link/management.h"
#include "platform/socket.h"
#include "support/log.h"
#include "support/log_lines.h"
#include "support/route.h"
#include "support/wire.h"

namespace zpos {

namespace {
constexpr int kEotBufferSize = 1024;

struct EotTexts {
    const char* ok;
    const char* error;
    const char* fail;
    bool reset_route;  // EOT returns the module to the primary host route
};
constexpr EotTexts kAckTexts{log_lines::kEotOk, log_lines::kEotError, log_lines::kEotFail, true};
constexpr EotTexts kAutoTexts{log_lines::kAutoEotOk, log_lines::kAutoEotError, log_lines::kAutoEotFail, false};

// The byte as the log shows it: from a signed character, so 0x86 reads ffffff86.
unsigned shown_byte(unsigned char b) {
    return static_cast<unsigned>(static_cast<int>(static_cast<signed char>(b)));
}

// The log lines take their format from the table above; every one of them
// has the same line buffer.
static_assert(log_lines::kEotOkBuffer == log_lines::kAutoEotFailBuffer);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
void log_frame(const char* format, unsigned char last, int count, int len) {
    write_log_format(log_lines::kEotOkBuffer, format, shown_byte(last), count, len);
}
#pragma GCC diagnostic pop

// Waits for the EOT after the ACK; the link socket is closed on every end.
AutoAckResult wait_for_eot(Module& module, const EotTexts& texts) {
    LinkState& link = module.link;
    char buffer[kEotBufferSize];
    for (int count = 0;;) {
        std::memset(buffer, 0, sizeof buffer);
        long got = 0;
        Arrival arrival = receive_within(link.socket, link_wait_ms(), buffer, kEotBufferSize - 1, got);
        if (arrival == Arrival::not_readable) {
            WriteLogText(log_lines::kEotNotSet);
            close_link(link);
            return AutoAckResult::no_eot;
        }
        if (arrival != Arrival::received) {
            WriteLogText(log_lines::kEotTimeout);
            close_link(link);
            return AutoAckResult::timed_out;
        }
        if (got < 3) {
            write_log_format(log_lines::kEotShortBuffer, log_lines::kEotShort, static_cast<int>(got));
            close_link(link);
            return AutoAckResult::short_read;
        }
        ++count;
        unsigned char last = static_cast<unsigned char>(buffer[got - 1]);
        int len = static_cast<int>(got);
        if (last == wire::kEOT) {
            close_link(link);
            if (texts.reset_route) reset_to_primary(module);
            log_frame(texts.ok, last, count, len);
            return AutoAckResult::eot;
        }
        if (count >= kEotFrames) {
            close_link(link);
            log_frame(texts.error, last, count, len);
            return AutoAckResult::no_eot;
        }
        log_frame(texts.fail, last, count, len);
    }
}

// ACK on the open link socket, and the line that says so; false with the link
// closed when it could not be sent.
bool ack_sent(LinkState& link, const char* sent_line) {
    if (platform::socket_send(link.socket, wire::kAckFrame.data(), wire::kAckFrame.size()) <= 0) {
        WriteLogText(log_lines::kAckSendError);
        close_link(link);
        return false;
    }
    WriteLogText(sent_line);
    return true;
}
}  // namespace

AckResult acknowledge(Module& module) {
    if (module.route == RouteMode::backup) return AckResult::closed;
    if (!ack_sent(module.link, log_lines::kAckSent)) return AckResult::not_sent;
    if (wait_for_eot(module, kAckTexts) == AutoAckResult::eot) return AckResult::closed;
    return ack_result(management_acknowledge(module));
}

AutoAckResult auto_acknowledge(Module& module) {
    if (!ack_sent(module.link, log_lines::kAutoAckSent)) return AutoAckResult::ack_not_sent;
    return wait_for_eot(module, kAutoTexts);
}

}  // namespace zpos
