// The fault names as scenario files and the command line spell them.
#include "tools/host/faults.h"

namespace zpos::host {

namespace {
struct FaultName {
    Fault fault;
    const char* name;
};
constexpr FaultName kFaultNames[] = {
    {Fault::None, "none"},
    {Fault::NoEnq, "no-enq"},
    {Fault::ShortEnq, "short-enq"},
    {Fault::WrongThirdByte, "wrong-third-byte"},
    {Fault::EnqWithExtra, "enq-with-extra"},
    {Fault::SilentAfterRequest, "silent-after-request"},
    {Fault::NakReply, "nak-reply"},
    {Fault::ShortFrame, "short-frame"},
    {Fault::RepeatEnq, "repeat-enq"},
    {Fault::ShortBody, "short-body"},
    {Fault::StalledBody, "stalled-body"},
    {Fault::TrickleBody, "trickle-body"},
    {Fault::OversizeLength, "oversize-length"},
    {Fault::ZeroLength, "zero-length"},
    {Fault::NoEot, "no-eot"},
    {Fault::EotInFifth, "eot-in-fifth"},
    {Fault::FramesWithoutEot, "frames-without-eot"},
    {Fault::ShortEot, "short-eot"},
    {Fault::SlowAccept, "slow-accept"},
};
}  // namespace

const char* fault_name(Fault f) {
    for (const auto& n : kFaultNames)
        if (n.fault == f) return n.name;
    return "?";
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
