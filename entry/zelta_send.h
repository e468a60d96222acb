// The two transaction entry points behind the exports Zelta_Send and
// Zelta_OKCashbag. Results: the path's result, or `failed` for a refusal.
#pragma once

#include "support/results.h"

namespace zpos {

SendResult zelta_send(const char* host, int port, const char* request, char* response);
SendResult zelta_okcashbag(const char* host, int port, const char* request, char* response);

}  // namespace zpos
