// The cardholder's signature/PIN pad library, "SignPad_dll" in the application
// directory: its two functions, loaded for each single use through an
// ExternalLibrary and released right after the call, and the pad's port.
#pragma once

#include "platform/platform.h"
#include "support/call_state.h"
#include "support/external_library.h"
#include "support/log_lines.h"

namespace zpos {

// Both pad functions: (buffer, serial port, kPadConstant) -> result.
using PadFunction = int(ZPOS_EXTERNAL_CALL*)(char* buffer, int port, int constant);
inline constexpr int kPadConstant = 110;

inline constexpr ExternalFunction kPadSign{"SignPad_dll", "orvik_sign", log_lines::kPadLoadFail,
                                           log_lines::kPadSignMissing};
inline constexpr ExternalFunction kPadPin{"SignPad_dll", "general_pin", log_lines::kPadLoadFail,
                                          log_lines::kPadPinMissing};

// The pad's serial port from the settings file (COM_PORT / GetComPort), its
// text into `text` (at least 3 bytes) and its integer as the result.
int pad_port(const CallState& call, char* text);

}  // namespace zpos
