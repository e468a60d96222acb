// The download: one short text request to a server of the POS's choice over a
// plain TCP connection of its own, and one text answer back. No link framing
// and none of the host link's module state.
#pragma once

#include "support/call_state.h"
#include "support/results.h"

namespace zpos {

inline constexpr int kDownloadAnswerSize = 1024;

// `answer` must hold at least 1025 bytes.
DownloadOutcome download(const CallState& call, const char* server, int port, const char* request, char* answer);

}  // namespace zpos
