// Every state change and the progress of a running call, each with a rising
// sequence number and the boot id of this run, kept in a window so that a
// client that lost its socket resumes where it stopped. Subscribers are
// called on the publishing thread and must not block.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace zpos::agent {

class Events {
public:
    using Sink = std::function<void(const std::string&)>;

    Events();
    const std::string& boot_id() const { return boot_id_; }

    // Adds seq and boot_id to `event` and hands it to every subscriber.
    void publish(nlohmann::json event);

    // Registers `sink` and hands it, first, every kept event after `after`.
    // `resumable` is false when those cannot all be given (another boot, or
    // older than the window): the caller then sends the current states,
    // numbered `last_seq`, the number of the last event so far.
    int subscribe(std::uint64_t after, bool same_boot, Sink sink, bool& resumable, std::uint64_t& last_seq);
    void unsubscribe(int id);
    std::size_t subscribers();
    std::uint64_t last_seq();

private:
    static constexpr std::size_t kWindow = 1000;
    std::string boot_id_;
    std::mutex mutex_;
    std::uint64_t seq_ = 0;
    std::deque<std::pair<std::uint64_t, std::string>> kept_;
    std::map<int, Sink> sinks_;
    int next_id_ = 1;
};

}  // namespace zpos::agent
