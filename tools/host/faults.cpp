// The fault names as scenario files and the command line spell them.
#include "tools/host/faults.h"

namespace zpos::host {

namespace {
struct FaultName {
    Fault fault;
    const char* name;
    bool replies;  // the request gets its reply
};
constexpr FaultName kFaultNames[] = {
    {Fault::None, "none", true},
    {Fault::NoEnq, "no-enq", false},
    {Fault::ShortEnq, "short-enq", false},
    {Fault::WrongThirdByte, "wrong-third-byte", false},
    {Fault::EnqWithExtra, "enq-with-extra", true},
    {Fault::SilentAfterRequest, "silent-after-request", false},
    {Fault::NakReply, "nak-reply", false},
    {Fault::ShortFrame, "short-frame", false},
    {Fault::RepeatEnq, "repeat-enq", true},
    {Fault::ShortBody, "short-body", false},
    {Fault::StalledBody, "stalled-body", false},
    {Fault::TrickleBody, "trickle-body", false},
    {Fault::OversizeLength, "oversize-length", false},
    {Fault::ZeroLength, "zero-length", false},
    {Fault::NoEot, "no-eot", true},
    {Fault::EotInFifth, "eot-in-fifth", true},
    {Fault::FramesWithoutEot, "frames-without-eot", true},
    {Fault::ShortEot, "short-eot", true},
    {Fault::SlowAccept, "slow-accept", true},
};
}  // namespace

const char* fault_name(Fault f) {
    for (const auto& n : kFaultNames)
        if (n.fault == f) return n.name;
    return "?";
}

bool fault_lets_reply_out(Fault f) {
    for (const auto& n : kFaultNames)
        if (n.fault == f) return n.replies;
    return true;
}

bool fault_from_name(std::string_view name, Fault& f) {
    for (const auto& n : kFaultNames)
        if (name == n.name) {
            f = n.fault;
            return true;
        }
    return false;
}

std::string fault_names(const char* separator) {
    std::string out;
    for (const auto& n : kFaultNames) {
        if (!out.empty()) out += separator;
        out += n.name;
    }
    return out;
}

}  // namespace zpos::host
