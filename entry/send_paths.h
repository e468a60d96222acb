// The three transaction paths between the entry points and the host link:
// build the request, append the check byte, gather the card's security block,
// run the host exchange and fill the response from its reply; on the card
// path also hand a declined cancellation to the backup route, count host
// failures and switch between the primary host and the backup route.
#pragma once

#include <cstddef>

#include "support/results.h"

namespace zpos {

// The paths Zelta_Send's rows run and the automatic acknowledgement of a
// decline, for a test to put its own in (null: the library's own). Nothing
// but tests writes this table.
struct SendPaths {
    SendResult (*cheque)(char* request, char* response);            // message kind 1
    SendResult (*card)(char* request, char* response, int kind);    // kinds 2, 4 to 12
    SendResult (*points)(char* request, char* response, int kind);  // kinds 60 to 64
    AutoAckResult (*auto_ack)();                                    // a declined reply, primary route
};
SendPaths& send_path_stand_ins();

// Results: the host exchange's, the backup route's, `backup_not_built` or
// `not_built` (the request builder refused; nothing was sent).
SendResult SendChequeTran(char* request, char* response);
SendResult SendCardTran(char* request, char* response, int kind);
SendResult SendPointTran(char* request, char* response, int kind);

// The track image split at its first '=': the card number (at most 21
// characters; longer ones are cut) and the remainder, every '=' dropped.
inline constexpr std::size_t kCardNumberSize = 22;
inline constexpr std::size_t kTrackRestSize = 40;
void split_track(const char* track, std::size_t length, char (&card_number)[kCardNumberSize],
                 char (&rest)[kTrackRestSize]);

}  // namespace zpos
