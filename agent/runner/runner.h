// The one thread that calls the library. The network thread hands it a
// journalled transaction and never waits on it; the runner commits each
// state before the step that follows it, publishes every change, and holds
// the agent busy until the transaction is settled.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "agent/api/validate.h"
#include "agent/config/config.h"
#include "agent/journal/journal.h"

namespace zpos::agent {

class Events;
class Metrics;
class Progress;

class Runner {
public:
    Runner(const Config& config, Journal& journal, Events& events, Metrics& metrics);
    ~Runner();
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    void start();
    // Lets a running library call return, then ends the thread; an approval
    // still waiting for its acknowledgement stays approved for the recovery.
    void stop();

    // Journals `row` as pending and runs it, unless another transaction is
    // active: then false with its id in `active`. `error` is set when the
    // journal refused the row.
    bool begin(Row& row, const TxRequest& tx, std::string& active, std::string& error);

    enum class AckAnswer { queued, conflict };
    // Asks for Zelta_Ack on the approval waiting for it; anything else is a
    // conflict, answered with the transaction's present state.
    AckAnswer acknowledge(const std::string& id);

    // Runs Zelta_download; `done` gets the answer on the runner's thread.
    bool download(const std::string& request, std::function<void(nlohmann::json)> done, std::string& active);

    std::string active();
    bool running();
    // The present call has run past the library's worst case.
    bool stuck();
    int stuck_after_seconds() const;

private:
    struct Job {
        Row row;
        TxRequest tx;
        std::string download;
        std::function<void(nlohmann::json)> download_done;
    };

    void run();
    void run_transaction(Job& job);
    void run_download(Job& job);
    bool acknowledge_now(Row& row, double& call_seconds);
    void commit(Row& row);
    template <class Fn>
    int timed_call(const char* reading, int limit_s, double& seconds, Fn call);

    const Config& config_;
    Journal& journal_;
    Events& events_;
    Metrics& metrics_;
    std::unique_ptr<Progress> progress_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> job_;
    std::string active_;
    bool awaiting_ack_ = false;
    bool ack_requested_ = false;
    bool stopping_ = false;
    bool in_call_ = false;
    int call_limit_s_ = 0;
    std::chrono::steady_clock::time_point call_started_;
};

}  // namespace zpos::agent
