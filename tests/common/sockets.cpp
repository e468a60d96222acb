#include "tests/common/sockets.h"

#include <dirent.h>

#include "platform/socket.h"

namespace zpos::test {

int closed_loopback_port() {
    int port = 0;
    platform::socket_close(platform::socket_listen_loopback(0, 1, port));
    return port;
}

int open_descriptors() {
    DIR* d = opendir("/proc/self/fd");
    if (!d) return -1;
    int n = 0;
    while (dirent* e = readdir(d))
        if (e->d_name[0] != '.') ++n;
    closedir(d);
    return n - 1;  // not the one reading the directory
}

}  // namespace zpos::test
