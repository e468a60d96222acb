#include "agent/events/events.h"

#include "agent/config/state_dir.h"

namespace zpos::agent {

Events::Events() : boot_id_(random_hex(8)) {}

void Events::publish(nlohmann::json event) {
    std::lock_guard lock(mutex_);
    event["seq"] = ++seq_;
    event["boot_id"] = boot_id_;
    std::string text = event.dump();
    kept_.emplace_back(seq_, text);
    if (kept_.size() > kWindow) kept_.pop_front();
    for (auto& [id, sink] : sinks_) sink(text);
}

int Events::subscribe(std::uint64_t after, bool same_boot, Sink sink, bool& resumable, std::uint64_t& last_seq) {
    std::lock_guard lock(mutex_);
    last_seq = seq_;
    resumable = same_boot && after <= seq_ && (after == seq_ || (!kept_.empty() && kept_.front().first <= after + 1));
    if (resumable)
        for (const auto& [seq, text] : kept_)
            if (seq > after) sink(text);
    int id = next_id_++;
    sinks_.emplace(id, std::move(sink));
    return id;
}

void Events::unsubscribe(int id) {
    std::lock_guard lock(mutex_);
    sinks_.erase(id);
}

std::uint64_t Events::last_seq() {
    std::lock_guard lock(mutex_);
    return seq_;
}

std::size_t Events::subscribers() {
    std::lock_guard lock(mutex_);
    return sinks_.size();
}

}  // namespace zpos::agent
