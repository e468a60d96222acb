// Where a running library call is: the library's daily log followed from its
// end while the call runs (tools/common/log_follower.h), each new line handed
// on readable, and a reading of what the call waits for ("waiting for the
// host's reply, NAK 2 of 3, 25 s").
#pragma once

#include <functional>
#include <string>

#include "tools/common/log_follower.h"

namespace zpos::agent {

class Progress {
public:
    // `line`: a log line, readable (Korean as UTF-8, records by their size);
    // `reading`: where the call waits, with its seconds.
    struct Sink {
        std::function<void(const std::string& line)> line;
        std::function<void(const std::string& reading)> reading;
    };

    Progress(std::string app_dir, Sink sink);

    // `reading`: where the call is before its first line (may be empty).
    void start(std::string reading) { follower_.start(std::move(reading)); }
    // Hands on what the call wrote up to now, and stops.
    void stop() { follower_.stop(); }

private:
    tools::LogFollower follower_;
};

}  // namespace zpos::agent
