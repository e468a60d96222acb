// The control bytes of the host link and how much of each reply field the POS
// keeps, for the programs beside the library. The block comes from tables/
// (tables/generate.py), not from the library's own headers.
#pragma once

#include <cstddef>

namespace zpos::tools {

// BEGIN GENERATED link bytes: tables/generate.py
inline constexpr char kSTX = 0x02;  // opens a request, reply or backup message
inline constexpr char kETX = 0x03;  // closes it; the check byte follows
inline constexpr char kEOT = 0x04;  // the host closes the transaction
inline constexpr char kENQ = 0x05;  // the host is ready for the request
inline constexpr char kACK = 0x06;  // the POS took the reply
inline constexpr char kSO = 0x0E;  // opens a run of keyboard keystrokes in a reply
inline constexpr char kSI = 0x0F;  // closes it
inline constexpr char kNAK = 0x15;  // the POS asks for the reply again
inline constexpr char kFS = 0x1C;  // separates the fields of a message
// Bytes of converted text the POS keeps of each reply field, by field number.
inline constexpr std::size_t kReplySlotCapacity[] = {
    10, 16, 16, 1, 4, 16, 15, 13, 3, 17, 1, 4, 8, 1, 16, 4,  // 0..15
    10, 8, 8, 8, 24, 24, 24, 12, 12, 8, 8, 8, 24, 8, 24, 8,  // 16..31
    24, 8, 2, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 1, 512,  // 32..46
};
// END GENERATED

}  // namespace zpos::tools
