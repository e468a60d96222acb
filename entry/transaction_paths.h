// The seams between the entry points and what they run: the three transaction
// paths, the acknowledgements, the download and the link's shutdown. The table
// starts out with the library's own functions; tests put stand-ins in it to
// drive the dispatch on its own.
#pragma once

#include "support/results.h"

namespace zpos {

struct TransactionPaths {
    SendResult (*cheque)(char* request, char* response);            // message kind 1
    SendResult (*card)(char* request, char* response, int kind);    // kinds 2, 4..12
    SendResult (*points)(char* request, char* response, int kind);  // kinds 60..64
    AutoAckResult (*auto_ack)();                                    // declined reply, primary route
    AckResult (*ack)();                                             // Zelta_Ack
    DownloadResult (*download)(const char* server, int port, const char* request, char* answer);
    void (*close_link)();                                    // module unload
};

TransactionPaths& transaction_paths();
// Puts the library's own functions back.
void restore_transaction_paths();

}  // namespace zpos
