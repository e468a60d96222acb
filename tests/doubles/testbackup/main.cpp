// zpos-backup: the test backup server as a command, for trying the backup
// route by hand. Serves a bounded number of connections, then stops.
//   zpos-backup [--port N] [--count N] [approval|refusal|3600|2000|none]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "tests/doubles/testbackup/backup_server.h"

int main(int argc, char** argv) {
    int port = ZPOS_BACKUP_PORT;
    int count = 100;
    zpos::test::BackupAnswer answer = zpos::test::BackupAnswer::approval;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--port") && i + 1 < argc) port = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--count") && i + 1 < argc) count = std::atoi(argv[++i]);
        else if (!zpos::test::BackupServer::answer_named(argv[i], answer)) {
            std::fprintf(stderr, "usage: zpos-backup [--port N] [--count N] [approval|refusal|3600|2000|none]\n");
            return 2;
        }
    }
    zpos::test::BackupServer server(port);
    if (!server.listening()) {
        std::fprintf(stderr, "zpos-backup: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    server.answer(answer);
    std::printf("zpos-backup: 127.0.0.1:%d, %d connection(s)\n", server.port(), count);
    std::fflush(stdout);
    while (server.served() < count) zpos::platform::sleep_ms(100);
    return 0;
}
