// A loopback port that nothing listens on, and the count of the process's
// open descriptors, for tests that check a call leaves no socket behind.
#pragma once

namespace zpos::test {

// A free 127.0.0.1 port: bound once, then closed again.
int closed_loopback_port();

// Descriptors open in this process now.
int open_descriptors();

}  // namespace zpos::test
