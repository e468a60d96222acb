// The host's misbehaviours: one table of every fault with its name and what
// the host then does. Which connection meets which fault is the scenario's
// business (scenario.h); how each fault acts on the wire is the session's.
#pragma once

#include <string>
#include <string_view>

namespace zpos::host {

enum class Fault {
    None,
    NoEnq,              // accepts and stays silent
    ShortEnq,           // sends two bytes only
    WrongThirdByte,     // 00 01 06 instead of ENQ
    EnqWithExtra,       // ENQ and more bytes in one segment
    SilentAfterRequest, // reads the request and NAKs, never answers
    NakReply,           // answers the request and every NAK with 00 01 15
    ShortFrame,         // answers with a two-byte frame 00 02 41 42
    RepeatEnq,          // `fault_count` ENQ frames, then the reply
    ShortBody,          // announces 50 bytes, sends 20 and closes
    StalledBody,        // announces 50 bytes, sends 20 and stays silent, connection open
    TrickleBody,        // announces 50 bytes, sends one every `frame_gap_ms`
    OversizeLength,     // announces 3001 bytes
    ZeroLength,         // announces 0 bytes and sends one
    NoEot,              // never answers the ACK
    EotInFifth,         // four frames without EOT, the fifth ends in EOT
    FramesWithoutEot,   // five frames without EOT
    ShortEot,           // 2-byte answer 04 04 to the ACK
    SlowAccept,         // the first handshake waits `accept_delay_ms`
};

const char* fault_name(Fault f);
// Whether a request still gets its reply (a management message always does
// once the fault has let its request through).
bool fault_lets_reply_out(Fault f);
bool fault_from_name(std::string_view name, Fault& f);
// Every fault's name, separated by `separator`, in table order.
std::string fault_names(const char* separator);

}  // namespace zpos::host
