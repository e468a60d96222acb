// Zelta_Ack and Zelta_download behind their exports: the acknowledgement of
// the last approval, on the link socket and saved request Zelta_Send left,
// and the download, which needs nothing of the kind.
#pragma once

#include "support/results.h"

namespace zpos {

AckResult zelta_ack();
// `answer` holds at least 1025 bytes.
DownloadOutcome zelta_download(const char* server, int port, const char* request, char* answer);

}  // namespace zpos
