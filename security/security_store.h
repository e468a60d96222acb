// The card security store: card records, their keys and the reader's company
// code and serial number that the installation's security program keeps under
// HKEY_CURRENT_USER\SOFTWARE\VAN_POS_SECURITY, turned into the security block
// that follows a card request on the link. Only GET_SERIAL is ever written.
#pragma once

namespace zpos {

// Largest block: 4 + 99 + 4 + 299 + 10 + 18.
inline constexpr int kSecurityBlockMax = 434;
inline constexpr int kCompanySerialSize = 18;

// Writes the security block of `card_no` (NUL-terminated, at most 21
// characters) into `out` (at least kSecurityBlockMax bytes). `track_rest` is the
// track text after its '='; its third and fourth characters name the record.
// Returns the block length; 0 = no block (no record, no match, short remainder).
int BuildSecurityBlock(char* out, const char* card_no, const char* track_rest);

// Writes "%-2.2s%-16.16s" of the company code and serial number into `out` (at
// least 19 bytes) and marks the serial sent. 18 = written; 0 = not available.
int ReadCompanySerial(char* out);

// Sets GET_SERIAL to the five bytes "ZELTA". 0 = marked; otherwise failure
// (-1 when the key cannot be opened for writing).
int MarkSerialSent();

}  // namespace zpos
