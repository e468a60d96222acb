#include "agent/metrics/metrics.h"

#include <cstdio>
#include <sstream>

namespace zpos::agent {

void Metrics::finished(const std::string& type, const std::string& state, double seconds) {
    std::lock_guard lock(mutex_);
    ++outcomes_[{type, state}];
    Histogram& h = durations_[type];
    h.buckets.resize(kBounds.size());
    for (std::size_t i = 0; i < kBounds.size(); ++i)
        if (seconds <= kBounds[i]) ++h.buckets[i];
    ++h.count;
    h.sum += seconds;
}

std::string Metrics::render(long long in_doubt, bool backup_route, bool running, bool stuck) {
    std::lock_guard lock(mutex_);
    std::ostringstream o;
    o << "# HELP zpos_agent_transactions_total Transactions by type and the state they ended in.\n"
         "# TYPE zpos_agent_transactions_total counter\n";
    for (const auto& [key, n] : outcomes_)
        o << "zpos_agent_transactions_total{type=\"" << key.first << "\",outcome=\"" << key.second << "\"} " << n
          << "\n";
    o << "# HELP zpos_agent_transaction_duration_seconds Time spent in the library's calls per transaction.\n"
         "# TYPE zpos_agent_transaction_duration_seconds histogram\n";
    for (const auto& [type, h] : durations_) {
        std::string label = "type=\"" + type + "\"";
        for (std::size_t i = 0; i < kBounds.size(); ++i) {
            char le[32];
            std::snprintf(le, sizeof le, "%g", kBounds[i]);
            o << "zpos_agent_transaction_duration_seconds_bucket{" << label << ",le=\"" << le << "\"} " << h.buckets[i]
              << "\n";
        }
        o << "zpos_agent_transaction_duration_seconds_bucket{" << label << ",le=\"+Inf\"} " << h.count << "\n"
          << "zpos_agent_transaction_duration_seconds_sum{" << label << "} " << h.sum << "\n"
          << "zpos_agent_transaction_duration_seconds_count{" << label << "} " << h.count << "\n";
    }
    o << "# HELP zpos_agent_in_doubt Transactions in the in-doubt inbox.\n"
         "# TYPE zpos_agent_in_doubt gauge\n"
      << "zpos_agent_in_doubt " << in_doubt << "\n"
      << "# HELP zpos_agent_backup_route Whether the library's backup route is in force.\n"
         "# TYPE zpos_agent_backup_route gauge\n"
      << "zpos_agent_backup_route " << (backup_route ? 1 : 0) << "\n"
      << "# HELP zpos_agent_transaction_running Whether a transaction is running or waits for its acknowledgement.\n"
         "# TYPE zpos_agent_transaction_running gauge\n"
      << "zpos_agent_transaction_running " << (running ? 1 : 0) << "\n"
      << "# HELP zpos_agent_call_stuck Whether a library call runs past its worst case.\n"
         "# TYPE zpos_agent_call_stuck gauge\n"
      << "zpos_agent_call_stuck " << (stuck ? 1 : 0) << "\n";
    return o.str();
}

}  // namespace zpos::agent
