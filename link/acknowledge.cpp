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
constexpr int kMaxFrames = 5;

// How the EOT wait ended.
enum class EotEnd { Received, TimedOut, NotSet, ShortRead, NoEot };

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
    WriteLogFormat(log_lines::kEotOkBuffer, format, shown_byte(last), count, len);
}
#pragma GCC diagnostic pop

// Waits for the EOT after the ACK; the link socket is closed on every end.
EotEnd wait_for_eot(const CallState& call, const EotTexts& texts) {
    char buffer[kEotBufferSize];
    for (int count = 0;;) {
        std::memset(buffer, 0, sizeof buffer);
        bool ready = false;
        if (platform::socket_select_read(link_socket(), link_wait_ms(), ready) <= 0) {
            WriteLogText(log_lines::kEotTimeout);
            close_link();
            return EotEnd::TimedOut;
        }
        if (!ready) {
            WriteLogText(log_lines::kEotNotSet);
            close_link();
            return EotEnd::NotSet;
        }
        long got = platform::socket_recv(link_socket(), buffer, kEotBufferSize - 1);
        if (got < 3) {
            WriteLogFormat(log_lines::kEotShortBuffer, log_lines::kEotShort, static_cast<int>(got));
            close_link();
            return EotEnd::ShortRead;
        }
        ++count;
        unsigned char last = static_cast<unsigned char>(buffer[got - 1]);
        int len = static_cast<int>(got);
        if (last == wire::kEOT) {
            close_link();
            if (texts.reset_route) reset_to_primary(call);
            log_frame(texts.ok, last, count, len);
            return EotEnd::Received;
        }
        if (count >= kMaxFrames) {
            close_link();
            log_frame(texts.error, last, count, len);
            return EotEnd::NoEot;
        }
        log_frame(texts.fail, last, count, len);
    }
}

bool send_ack() {
    return platform::socket_send(link_socket(), wire::kAckFrame.data(), wire::kAckFrame.size()) > 0;
}
}  // namespace

int acknowledge(CallState& call) {
    if (route_mode() == RouteMode::backup) return 1;

    if (!send_ack()) {
        WriteLogText(log_lines::kAckSendError);
        close_link();
        return -5;
    }
    WriteLogText(log_lines::kAckSent);

    EotEnd end = wait_for_eot(call, kAckTexts);
    if (end == EotEnd::Received) return 1;
    return management_acknowledge(call);
}

int auto_acknowledge(const CallState& call) {
    if (!send_ack()) {
        WriteLogText(log_lines::kAckSendError);
        close_link();
        return -5;
    }
    WriteLogText(log_lines::kAutoAckSent);
    switch (wait_for_eot(call, kAutoTexts)) {
        case EotEnd::Received: return 1;
        case EotEnd::TimedOut: return -1;
        case EotEnd::ShortRead: return -2;
        case EotEnd::NotSet:
        case EotEnd::NoEot: return -3;
    }
    return -3;
}

}  // namespace zpos
