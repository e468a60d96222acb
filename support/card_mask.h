// Strict masking of card data in log lines, for sites that keep card numbers
// out of their logs ([LOG] MASK=STRICT): a card number shows its first six
// and last four digits only; the digits between, the track separator and the
// rest of the track (expiry, service code, discretionary data) show as '*'.
// The default masking of the log writers is not this one (support/log.h).
#pragma once

#include <cstddef>

namespace zpos {

// A field that holds one card number or track image (the card echo of a
// record, the card number handed to the PIN pad): its first run of digits is
// the card number; every other byte after it but blanks and NULs is hidden.
void mask_card_field(char* bytes, std::size_t n);

// Free text (a host's or backup library's message): every run of 13 to 19
// digits is a card number and is masked, with a track separator '=' and the
// digits after it.
void mask_card_numbers(char* bytes, std::size_t n);

}  // namespace zpos
