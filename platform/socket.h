// The link socket type of the platform layer. A socket handle is an integer on
// both sides (a descriptor on POSIX, a SOCKET on Windows); kNoSocket marks none.
#pragma once

#include <cstdint>

namespace zpos::platform {

using Socket = std::intptr_t;
inline constexpr Socket kNoSocket = -1;

}  // namespace zpos::platform
