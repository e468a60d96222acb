// The bytes of the host link and of its messages, one table for the library,
// its tools and its tests: the control bytes, the field separator, the
// keystroke-run marks and the control frames. What each side does with them
// (framing, masking, splitting) stays with that side.
#pragma once

#include <string_view>

namespace zpos::wire {

inline constexpr char kSTX = 0x02;  // opens a request, reply or backup message
inline constexpr char kETX = 0x03;  // closes it; the check byte follows
inline constexpr char kEOT = 0x04;  // the host closes the transaction
inline constexpr char kENQ = 0x05;  // the host is ready for the request
inline constexpr char kACK = 0x06;  // the POS took the reply
inline constexpr char kSO = 0x0E;   // opens a run of keyboard keystrokes in a reply
inline constexpr char kSI = 0x0F;   // closes it
inline constexpr char kNAK = 0x15;  // the POS asks for the reply again
inline constexpr char kFS = 0x1C;   // separates the fields of a message

namespace detail {
template <char Control>
inline constexpr char kFrame[3] = {0x00, 0x01, Control};
}  // namespace detail

// Control frames: a body length of 1 in two bytes, then the control byte.
inline constexpr std::string_view kEnqFrame{detail::kFrame<kENQ>, 3};
inline constexpr std::string_view kAckFrame{detail::kFrame<kACK>, 3};
inline constexpr std::string_view kNakFrame{detail::kFrame<kNAK>, 3};
inline constexpr std::string_view kEotFrame{detail::kFrame<kEOT>, 3};

}  // namespace zpos::wire
