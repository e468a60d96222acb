// The check byte that closes every message sent to the host or the backup
// route: the exclusive-or of the bytes after STX through ETX.
#pragma once

namespace zpos {

// XOR of msg[1] .. msg[n-1]; 0 when n <= 1.
unsigned char check_byte(const char* msg, int n);

// Writes the check byte at buf[n] (the buffer must hold n + 1 bytes) and
// returns the framed length n + 1.
int frame_message(char* buf, int n);

}  // namespace zpos
