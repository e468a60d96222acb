// A backup server for tests and demonstrations, run on a thread of its own:
// listens on 127.0.0.1, takes one request a connection from the test backup
// library and answers with the reply fields it was told to give (or not at all).
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace zpos::test {

// The stock answers: response codes "0000" and "3600", or silence.
enum class BackupAnswer { approval, unknown_3600, none };

class BackupServer {
public:
    // Listens on 127.0.0.1:`port` (0 picks a free port; see port()). Answers
    // with the stock approval until told otherwise.
    explicit BackupServer(int port = ZPOS_BACKUP_PORT);
    ~BackupServer();
    BackupServer(const BackupServer&) = delete;
    BackupServer& operator=(const BackupServer&) = delete;

    int port() const { return port_; }

    // What every following connection gets: a stock answer, reply fields 0..n-1
    // joined by FS and closed by ETX, or bytes as they are. The bytes land in
    // the module's reply buffer from its second byte on.
    void answer(BackupAnswer a);
    void answer_fields(const std::vector<std::string>& fields);
    void answer_raw(const std::string& bytes);

    // The framed requests received so far, in order, and the number of
    // connections accepted (a server being stopped finishes the one at hand).
    std::vector<std::string> requests() const;
    int served() const { return served_; }

private:
    void serve();
    void serve_one(platform::Socket s);

    platform::Socket listener_ = platform::kNoSocket;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> served_{0};
    mutable std::mutex mutex_;
    bool silent_ = false;
    std::string reply_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace zpos::test
