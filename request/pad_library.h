// The cardholder's signature/PIN pad library, "SignPad_dll" in the application
// directory. It is loaded for each single use and released right after the
// call; no handle survives from one use to the next.
#pragma once

#include "platform/platform.h"
#include "support/external_library.h"

namespace zpos {

// Both pad functions: (buffer, serial port, kPadConstant) -> result.
using PadFunction = int(ZPOS_EXTERNAL_CALL*)(char* buffer, int port, int constant);

inline constexpr char kPadSignFunction[] = "orvik_sign";
inline constexpr char kPadPinFunction[] = "general_pin";
inline constexpr int kPadConstant = 110;

// One use of the pad library: open() loads it and resolves one function,
// call() runs it, and the library is released by release() or at scope end.
class PadSession {
public:
    PadSession() = default;
    PadSession(const PadSession&) = delete;
    PadSession& operator=(const PadSession&) = delete;

    // Loads "<app_dir>/SignPad_dll<suffix>" and resolves `function` (one of the
    // names above). False after writing the load or entry-point log line; the
    // library is then already released.
    bool open(const CallState& call, const char* function);
    // Calls the resolved function once with (buffer, port, kPadConstant).
    int call(char* buffer, int port);
    void release();

private:
    ExternalLibrary lib_;
    PadFunction fn_ = nullptr;
};

// The pad's serial port from the settings file (COM_PORT / GetComPort), its
// text into `text` (at least 3 bytes) and its integer as the result.
int pad_port(const CallState& call, char* text);

}  // namespace zpos
