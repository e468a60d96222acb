#include "agent/runner/runner.h"

#include "agent/events/events.h"
#include "agent/metrics/metrics.h"
#include "agent/runner/progress.h"
#include "agent/runner/records.h"
#include "tools/common/library_log.h"
#include "zposapp.h"
#include "zposapp_records.h"

namespace zpos::agent {

namespace {

namespace log = zpos::library_log;

constexpr int kWait = log::kLinkWaitMs / 1000;
constexpr int kConnect = log::kConnectTimeoutMs / 1000;
// The longest the library's own waits add up to (connect, ENQ, the reply and
// its NAKs, then the EOT frames), and the blocking connect the system may
// add when the host does not answer at all (three SYN retries, about 22 s on
// Linux; about 21 s on Windows), with room to spare.
constexpr int kBlockingConnect = 30;
constexpr int kSendWorst = kConnect + kWait * (1 + (log::kReplyRetries + 1) + log::kEotFrames) + kBlockingConnect;
constexpr int kAckWorst = kWait * log::kEotFrames + kConnect + kWait * (1 + log::kReplyRetries + 1) + kBlockingConnect;
constexpr int kDownloadWorst = kWait + kBlockingConnect;

constexpr char kNoReply[] = "no reply after the request was sent";

// The states after which the runner has nothing more to do for a transaction.
bool is_final(const std::string& state) {
    return state == "declined" || state == "failed" || state == "completed" || state == "in_doubt";
}

// What a Zelta_Send result says about the transaction: failed only where
// nothing can have reached the host.
std::string outcome(int result, const std::string& code, std::string& reason) {
    if (result == ZPOSAPP_SEND_REPLIED) return code == ZPOSAPP_RESP_CODE_APPROVED ? "approved" : "declined";
    switch (result) {
        case ZPOSAPP_SEND_FAILED:
            if (code == ZPOSAPP_RESP_CODE_REFUSED) return "failed";
            break;
        case ZPOSAPP_SEND_NO_ENQ:
        case ZPOSAPP_SEND_NO_CONNECTION:
        case ZPOSAPP_SEND_BACKUP_UNUSABLE:
        case ZPOSAPP_SEND_BACKUP_NOT_BUILT:
        case ZPOSAPP_SEND_NOT_BUILT: return "failed";
        default: break;
    }
    reason = kNoReply;
    return "in_doubt";
}

double seconds_since(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

Runner::Runner(const Config& config, Journal& journal, Events& events, Metrics& metrics)
    : config_(config), journal_(journal), events_(events), metrics_(metrics) {}

Runner::~Runner() { stop(); }

void Runner::start() {
    thread_ = std::thread([this] { run(); });
}

void Runner::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::string Runner::active() {
    std::lock_guard lock(mutex_);
    return active_;
}

bool Runner::running() {
    std::lock_guard lock(mutex_);
    return !active_.empty() || job_.has_value() || in_call_;
}

bool Runner::stuck() {
    std::lock_guard lock(mutex_);
    return in_call_ && seconds_since(call_started_) > call_limit_s_;
}

int Runner::stuck_after_seconds() const { return kSendWorst; }

bool Runner::begin(Row& row, const TxRequest& tx, std::string& active, std::string& error) {
    std::lock_guard lock(mutex_);
    if (!active_.empty() || job_ || in_call_ || stopping_) {
        active = active_;
        return false;
    }
    row.state = "pending";
    // Journalled before the call: a crash from here on leaves a trace.
    if (!journal_.insert(row)) {
        error = "the journal refused the transaction";
        return false;
    }
    events_.publish({{"type", "state"}, {"transaction_id", row.id}, {"state", row.state}, {"transaction", public_view(row)}});
    active_ = row.id;
    job_ = Job{row, tx, {}, {}};
    wake_.notify_all();
    return true;
}

Runner::AckAnswer Runner::acknowledge(const std::string& id) {
    std::lock_guard lock(mutex_);
    if (active_ != id || !awaiting_ack_ || ack_requested_) return AckAnswer::conflict;
    ack_requested_ = true;
    wake_.notify_all();
    return AckAnswer::queued;
}

bool Runner::download(const std::string& request, std::function<void(nlohmann::json)> done, std::string& active) {
    std::lock_guard lock(mutex_);
    if (!active_.empty() || job_ || in_call_ || stopping_) {
        active = active_;
        return false;
    }
    job_ = Job{{}, {}, request, std::move(done)};
    wake_.notify_all();
    return true;
}

void Runner::run() {
    progress_ = std::make_unique<Progress>(
        config_.state_dir,
        Progress::Sink{[this](const std::string& line) {
                           events_.publish({{"type", "log"}, {"transaction_id", active()}, {"line", line}});
                       },
                       [this](const std::string& reading) {
                           events_.publish({{"type", "progress"}, {"transaction_id", active()}, {"text", reading}});
                       }});
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return job_.has_value() || stopping_; });
            if (!job_) return;
            job = std::move(*job_);
            job_.reset();
        }
        if (job.download_done) run_download(job);
        else run_transaction(job);
        // A transaction left unfinished (the agent stopping while it waited
        // for its acknowledgement) lets go here; a finished one already has,
        // and the next may be active by now.
        std::lock_guard lock(mutex_);
        if (active_ == job.row.id) {
            active_.clear();
            awaiting_ack_ = ack_requested_ = false;
        }
    }
}

template <class Fn>
int Runner::timed_call(const char* reading, int limit_s, double& seconds, Fn call) {
    {
        std::lock_guard lock(mutex_);
        in_call_ = true;
        call_limit_s_ = limit_s;
        call_started_ = std::chrono::steady_clock::now();
    }
    auto started = std::chrono::steady_clock::now();
    progress_->start(reading);
    int result = call();
    progress_->stop();
    seconds += seconds_since(started);
    std::lock_guard lock(mutex_);
    in_call_ = false;
    return result;
}

void Runner::commit(Row& row) {
    // A journal that cannot be written is reported and the run goes on: the
    // call already happened, and the events still tell the POS what it was.
    // A transaction's last state frees the runner in the same step: a POS
    // that reads "completed" and starts its next sale at once must not be
    // told "busy".
    {
        std::lock_guard lock(mutex_);
        journal_.update(row);
        if (is_final(row.state) && active_ == row.id) {
            active_.clear();
            awaiting_ack_ = ack_requested_ = false;
        }
    }
    events_.publish({{"type", "state"}, {"transaction_id", row.id}, {"state", row.state}, {"transaction", public_view(row)}});
}

void Runner::run_transaction(Job& job) {
    Row& row = job.row;
    double call_seconds = 0;
    RequestRecord request;
    ResponseRecord response;
    std::memset(response, ' ', sizeof response);
    if (!build_request(job.tx, request)) {
        row.state = "failed";
        row.fields["result"] = {{"code", ZPOSAPP_SEND_NOT_BUILT}, {"text", "the request could not be built"}};
        commit(row);
        metrics_.finished(row.type, row.state, 0);
        return;
    }
    const char* host = config_.payment_host.c_str();
    int port = config_.payment_port;
    int result = timed_call("connecting to the host", kSendWorst, call_seconds, [&] {
        return job.tx.points ? Zelta_OKCashbag(host, port, request, response) : Zelta_Send(host, port, request, response);
    });
    std::string reason;
    row.state = outcome(result, resp_code(response), reason);
    row.in_doubt_reason = reason;
    row.fields.update(read_response(job.tx, result, response));
    commit(row);

    if (row.state == "approved") {
        bool ack = job.tx.auto_ack;
        if (!ack) {
            std::unique_lock lock(mutex_);
            awaiting_ack_ = true;
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(config_.ack_timeout_s);
            wake_.wait_until(lock, deadline, [&] { return ack_requested_ || stopping_; });
            awaiting_ack_ = false;
            ack = ack_requested_;
            if (!ack && stopping_) {
                // Left approved: the recovery at the next start moves it to
                // the inbox.
                return;
            }
        }
        if (ack) {
            acknowledge_now(row, call_seconds);
        } else {
            row.state = "in_doubt";
            row.in_doubt_reason = "not acknowledged in time";
            commit(row);
        }
    }
    metrics_.finished(row.type, row.state, call_seconds);
}

bool Runner::acknowledge_now(Row& row, double& call_seconds) {
    row.state = "acknowledging";
    commit(row);
    int r = timed_call("", kAckWorst, call_seconds, [] { return Zelta_Ack(); });
    row.fields["ack_result"] = {{"code", r}, {"text", zposapp_ack_result_text(r)}};
    if (r == ZPOSAPP_ACK_CLOSED || r == ZPOSAPP_ACK_MANAGEMENT_SENT) {
        row.state = "completed";
        if (r == ZPOSAPP_ACK_MANAGEMENT_SENT)
            row.fields["note"] = "no close from the host; the management message reported the transaction";
    } else {
        row.state = "in_doubt";
        row.in_doubt_reason = zposapp_ack_result_text(r);
    }
    commit(row);
    return row.state == "completed";
}

void Runner::run_download(Job& job) {
    double seconds = 0;
    char answer[ZPOSAPP_DOWNLOAD_ANSWER_SIZE] = {};
    bool own = !config_.download_host.empty();
    const std::string& server = own ? config_.download_host : config_.payment_host;
    int port = own ? config_.download_port : config_.payment_port;
    int r = timed_call("waiting for the server's answer", kDownloadWorst, seconds, [&] {
        return Zelta_download(server.c_str(), port, job.download.c_str(), answer);
    });
    nlohmann::json j = {{"result", {{"code", r}, {"text", zposapp_download_result_text(r)}}}};
    if (r > 0) j["answer"] = cp949_to_utf8(answer);
    job.download_done(j);
}

}  // namespace zpos::agent
