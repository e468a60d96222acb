// The counters behind GET /metrics, in the Prometheus text format: no card
// data, only types, outcomes and times.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace zpos::agent {

class Metrics {
public:
    // One transaction ended in `state` after `seconds` of library calls.
    void finished(const std::string& type, const std::string& state, double seconds);

    // The exposition; the gauges' values are the caller's.
    std::string render(long long in_doubt, bool backup_route, bool running, bool stuck);

private:
    std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, long long> outcomes_;
    struct Histogram {
        std::vector<long long> buckets;
        long long count = 0;
        double sum = 0;
    };
    std::map<std::string, Histogram> durations_;  // by type
    static inline const std::vector<double> kBounds = {0.5, 1, 2, 5, 10, 20, 40, 60, 120, 240};
};

}  // namespace zpos::agent
