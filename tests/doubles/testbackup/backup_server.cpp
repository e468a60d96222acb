// The test backup server: an accept loop on its own thread that wakes every
// 100 ms to see whether it is to stop; "%04d" length then bytes in both
// directions, one exchange a connection.
#include "tests/doubles/testbackup/backup_server.h"

#include <cstdio>
#include <cstdlib>

#include "tests/doubles/double_files.h"

namespace zpos::test {

namespace {

constexpr int kPollMs = 100;
constexpr int kReadWaitMs = 5000;

}  // namespace

BackupServer::BackupServer(int port) {
    listener_ = platform::socket_listen_loopback(port, 8, port_);
    answer(BackupAnswer::approval);
    if (listener_ != platform::kNoSocket) thread_ = std::thread([this] { serve(); });
}

BackupServer::~BackupServer() {
    if (listener_ == platform::kNoSocket) return;
    stopping_ = true;
    thread_.join();
    platform::socket_close(listener_);
}

void BackupServer::answer(BackupAnswer a) {
    if (a == BackupAnswer::none) {
        std::lock_guard<std::mutex> lock(mutex_);
        silent_ = true;
        return;
    }
    bool approved = a == BackupAnswer::approval;
    answer_fields({"ZLTA1100", approved ? "0000" : "3600", "0100", "BC CARD", "123456789012345", "KB CARD",
                   "261206101500", "", approved ? "30012345" : "", "", "D", approved ? "APPROVED" : "REFUSED",
                   approved ? "0300" : "CALL CENTER", "LINE ONE", "LINE TWO", "LINE THREE", ""});
}

void BackupServer::answer_fields(const std::vector<std::string>& fields) {
    std::string bytes;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) bytes += '\x1c';
        bytes += fields[i];
    }
    bytes += '\x03';
    answer_raw(bytes);
}

void BackupServer::answer_raw(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    silent_ = false;
    reply_ = bytes;
}

std::vector<std::string> BackupServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void BackupServer::serve() {
    while (!stopping_) {
        bool ready = false;
        if (platform::socket_select_read(listener_, kPollMs, ready) <= 0 || !ready) continue;
        platform::Socket s = platform::socket_accept(listener_);
        if (s == platform::kNoSocket) continue;
        // Counted before the answer goes out, so a client that has its answer
        // always finds its connection counted.
        ++served_;
        serve_one(s);
        platform::socket_close(s);
    }
}

void BackupServer::serve_one(platform::Socket s) {
    char header[5] = {};
    if (!recv_all(s, header, 4, kReadWaitMs)) return;
    int n = std::atoi(header);
    if (n <= 0 || n > 9999) return;
    std::string request(static_cast<std::size_t>(n), '\0');
    if (!recv_all(s, request.data(), request.size(), kReadWaitMs)) return;
    std::string reply;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        if (silent_) return;
        reply = reply_;
    }
    std::snprintf(header, sizeof header, "%04d", static_cast<int>(reply.size() % 10000));
    send_all(s, header, 4);
    send_all(s, reply.data(), reply.size());
}

}  // namespace zpos::test
