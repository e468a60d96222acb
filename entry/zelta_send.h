// The two transaction entry points behind the exports Zelta_Send and
// Zelta_OKCashbag. Results: the path's result, or -1 for a refusal.
#pragma once

namespace zpos {

int zelta_send(const char* host, int port, const char* request, char* response);
int zelta_okcashbag(const char* host, int port, const char* request, char* response);

}  // namespace zpos
