// Check byte and framing of a built message.
#include "request/framing.h"

namespace zpos {

unsigned char check_byte(const char* msg, int n) {
    unsigned char c = 0;
    for (int i = 1; i < n; ++i) c = static_cast<unsigned char>(c ^ static_cast<unsigned char>(msg[i]));
    return c;
}

int frame_message(char* buf, int n) {
    if (n < 0) n = 0;
    buf[n] = static_cast<char>(check_byte(buf, n));
    return n + 1;
}

}  // namespace zpos
