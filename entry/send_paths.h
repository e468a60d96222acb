// The three transaction paths between the entry points and the host link:
// build the request, append the check byte, gather the card's security block,
// run the host exchange, and on the card path react to host failures by
// switching between the primary host and the backup route.
#pragma once

#include <cstddef>

#include "support/results.h"

namespace zpos {

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
