// The download's one connection: connect, send at most 24 characters, one read
// of at most 1024 bytes. The socket never outlives the call.
#include "link/download.h"

#include <cstdio>
#include <cstring>

#include "link/link_timing.h"
#include "platform/socket.h"
#include "support/card_mask.h"
#include "support/log.h"
#include "support/log_lines.h"
#include "support/settings.h"

namespace zpos {

namespace {
constexpr int kServerChars = 15;
constexpr int kRequestChars = 24;

// The server's text after its code; under strict masking with any card
// number in it masked.
void log_answer_tail(const CallState& call, char* tail, std::size_t length) {
    if (strict_masking(call)) mask_card_numbers(tail, length);
    WriteLogText(tail);
}

DownloadOutcome finish(platform::Socket s, const char* line, DownloadResult result) {
    if (line) WriteLogText(line);
    platform::socket_close(s);
    return {result, 0};
}
}  // namespace

DownloadOutcome download(const CallState& call, const char* server, int port, const char* request, char* answer) {
    char address_text[kServerChars + 1];
    std::snprintf(address_text, sizeof address_text, "%.15s", server ? server : "");

    platform::Socket s = platform::socket_open();
    std::uint32_t address = 0;
    if (s == platform::kNoSocket || !platform::socket_address(address_text, false, address) ||
        platform::socket_connect(s, address, port) != 0)
        return finish(s, log_lines::kDownloadConnectError, DownloadResult::no_connection);

    std::size_t length = request ? strnlen(request, kRequestChars) : 0;
    if (platform::socket_send(s, request, length) <= 0) return finish(s, log_lines::kDownloadSendError, DownloadResult::not_sent);

    char buffer[kDownloadAnswerSize + 1] = {};
    long got = 0;
    Arrival arrival = receive_within(s, link_wait_ms(), buffer, kDownloadAnswerSize, got);
    if (arrival == Arrival::timed_out) return finish(s, log_lines::kDownloadTimeout, DownloadResult::no_answer);
    if (arrival == Arrival::wait_failed) return finish(s, log_lines::kDownloadSelectError, DownloadResult::no_answer);
    if (arrival == Arrival::not_readable || got <= 0) return finish(s, nullptr, DownloadResult::no_answer);
    platform::socket_close(s);

    // The answer is text up to its first NUL; the count is of every byte read.
    std::size_t text = std::strlen(buffer);
    std::memcpy(answer, buffer, text + 1);
    // Any other answer logs what follows its code; a bare code logs nothing.
    if (std::strncmp(buffer, "0000", 4) == 0)
        WriteLogText(log_lines::kDownloadOk);
    else if (text > 4)
        log_answer_tail(call, buffer + 4, text - 4);
    return {DownloadResult::received, static_cast<int>(got)};
}

}  // namespace zpos
