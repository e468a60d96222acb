// The host exchange as a sequence of waits on the link socket. Every read waits
// at most the link's wait for its bytes; the reply body, which may take several
// recv calls, is bounded as a whole. It is read with exactly the bytes still
// missing, so nothing beyond the frame is ever taken from the socket.
#include "link/exchange.h"

#include <cstring>

#include "link/connection.h"
#include "link/link_timing.h"
#include "platform/socket.h"
#include "support/log.h"
#include "support/log_lines.h"
#include "support/wire.h"

namespace zpos {

namespace {

template <class Result>
Result fail(LinkState& link, const char* line, Result result) {
    WriteLogText(line);
    close_link(link);
    return result;
}

// Reads up to `want` bytes, as many recv calls as it takes, each taking what
// has arrived or else waiting for it; stops at a recv giving 0 or less and at
// the deadline, so a host that stops sending (or trickles) ends the read like
// a closed one. At least one recv is tried, for one byte when `want` is 0.
int read_body(LinkState& link, unsigned char* out, int want, long long deadline) {
    int got = 0;
    do {
        int left = link_ms_left(deadline);
        if (left == 0) break;
        std::size_t count = want == 0 ? 1 : static_cast<std::size_t>(want - got);
        long r = platform::socket_recv_now(link.socket, out + got, count);
        if (r == platform::kNothingYet &&
            receive_within(link.socket, left, out + got, count, r) != Arrival::received)
            break;
        if (r <= 0) break;
        got += static_cast<int>(r);
    } while (got < want);
    return got;
}

// The host speaks first: its ENQ frame within one wait. False after the line
// that says why, with the link closed.
bool enq_received(LinkState& link) {
    std::memset(link.enq, 0, sizeof link.enq);
    long got = 0;
    Arrival arrival = receive_within(link.socket, link_wait_ms(), link.enq, sizeof link.enq, got);
    if (arrival == Arrival::not_readable) return fail(link, log_lines::kEnqNotSet, false);
    if (arrival != Arrival::received) return fail(link, log_lines::kEnqTimeout, false);
    if (got < 3) return fail(link, log_lines::kEnqShort, false);
    if (link.enq[2] != wire::kENQ) return fail(link, log_lines::kNoEnq, false);
    write_log_format(log_lines::kEnqReceivedBuffer, log_lines::kEnqReceived, static_cast<int>(got), wire::kENQ);
    return true;
}

// A frame beyond the buffer is refused like a send the host did not take.
bool request_sent(LinkState& link, const char* framed, int framed_len, const char* block, int block_len) {
    int frame_len = build_request_frame(link.frame, sizeof link.frame, framed, framed_len, block, block_len);
    if (frame_len > 0 &&
        platform::socket_send(link.socket, link.frame, static_cast<std::size_t>(frame_len)) >= frame_len)
        return true;
    return fail(link, log_lines::kSendError, false);
}

// What one wait for the reply brought.
enum class Frame {
    reply,        // a reply of three bytes or more in link.reply
    enq,          // the host's ENQ again: wait again, no NAK, no retry used
    timed_out,    // nothing within the wait
    not_ready,    // reported ready but not readable
    short_frame,  // a frame under three bytes other than ENQ
    broken,       // length or body not readable: the exchange fails
};

Frame read_frame(LinkState& link, int& length) {
    std::memset(link.reply, 0, sizeof link.reply);
    // One recv after the wait: it returns what has arrived at once.
    unsigned char length_bytes[2] = {0, 0};
    long length_read = 0;
    Arrival arrival = receive_within(link.socket, link_wait_ms(), length_bytes, 2, length_read);
    if (arrival == Arrival::not_readable) {
        WriteLogText(log_lines::kReplyNotSet);
        return Frame::not_ready;
    }
    if (arrival != Arrival::received) return Frame::timed_out;
    if (length_read < 2) return fail(link, log_lines::kReplyLengthError, Frame::broken);
    length = (length_bytes[0] << 8) | length_bytes[1];
    // A length beyond the reply buffer is refused unread, as a short body.
    int body = length > kReplyBodySize ? 0 : read_body(link, link.reply, length, link_deadline());
    if (body != length) {
        write_log_format(log_lines::kReplyBodyErrorBuffer, log_lines::kReplyBodyError, body, length);
        close_link(link);
        return Frame::broken;
    }
    if (length >= 3) return Frame::reply;
    if (link.reply[0] != wire::kENQ) return Frame::short_frame;
    write_log_format(log_lines::kEnqRetryBuffer, log_lines::kEnqRetry, wire::kENQ, static_cast<int>(length_read));
    return Frame::enq;
}

// The last NAK brought nothing usable either.
HostReply give_up(LinkState& link, Frame last) {
    if (last == Frame::not_ready) return {fail(link, log_lines::kReplyNotSetLast, ExchangeResult::not_readable)};
    if (last == Frame::short_frame) return {fail(link, log_lines::kReplyShortFrames, ExchangeResult::short_frame)};
    return {fail(link, log_lines::kReplyTimeout, ExchangeResult::failed), true};
}

// The reply, with a NAK before each of the further waits.
HostReply await_reply(LinkState& link) {
    for (int retry = 0;;) {
        int length = 0;
        Frame frame = read_frame(link, length);
        if (frame == Frame::broken) return {ExchangeResult::failed};
        if (frame == Frame::enq) continue;
        if (frame == Frame::reply) {
            mask_body(link.reply, static_cast<std::size_t>(length), mask_key(static_cast<unsigned>(length)));
            return {ExchangeResult::replied, false,
                    {reinterpret_cast<const char*>(link.reply), static_cast<std::size_t>(length)}};
        }
        if (retry == kReplyRetries) return give_up(link, frame);
        ++retry;
        if (platform::socket_send(link.socket, wire::kNakFrame.data(), wire::kNakFrame.size()) < 3)
            return {fail(link, log_lines::kResendError, ExchangeResult::no_enq)};
    }
}
}  // namespace

unsigned char mask_key(unsigned length) {
    unsigned char low = static_cast<unsigned char>(length & 0xFF);
    return low ? low : static_cast<unsigned char>((length >> 8) & 0xFF);
}

void mask_body(unsigned char* bytes, std::size_t count, unsigned char key) {
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>(bytes[i] ^ ((i + 1) % 127) ^ key);
}

int build_request_frame(unsigned char* out, std::size_t capacity, const char* framed, int framed_len,
                        const char* block, int block_len) {
    if (framed_len < 0 || block_len < 0) return 0;
    std::size_t total = static_cast<std::size_t>(framed_len) + static_cast<std::size_t>(block_len) + 4;
    if (total > capacity || total > 0xFFFF + 2u) return 0;
    unsigned outer = static_cast<unsigned>(framed_len + block_len + 2);
    unsigned inner = static_cast<unsigned>(framed_len);
    out[0] = static_cast<unsigned char>(outer >> 8);
    out[1] = static_cast<unsigned char>(outer & 0xFF);
    out[2] = static_cast<unsigned char>(inner >> 8);
    out[3] = static_cast<unsigned char>(inner & 0xFF);
    if (framed_len) std::memcpy(out + 4, framed, static_cast<std::size_t>(framed_len));
    mask_body(out + 4, static_cast<std::size_t>(framed_len), mask_key(inner));
    if (block_len) std::memcpy(out + 4 + framed_len, block, static_cast<std::size_t>(block_len));
    return static_cast<int>(total);
}

HostReply host_exchange(Module& module, const char* framed, const char* block, int block_len, int framed_len) {
    if (connect_link(module) != ConnectResult::connected) return {ExchangeResult::no_connection};
    LinkState& link = module.link;
    if (!enq_received(link) || !request_sent(link, framed, framed_len, block, block_len))
        return {ExchangeResult::no_enq};
    return await_reply(link);
}

}  // namespace zpos
