#include "agent/runner/progress.h"

#include "agent/runner/records.h"

namespace zpos::agent {

Progress::Progress(std::string app_dir, Sink sink)
    : follower_(std::move(app_dir),
                {[line = sink.line](const std::string& logged, int) { line(cp949_to_utf8(tools::all_bytes(logged))); },
                 // A record is shown by its size only: the log masks its
                 // card, but the events need none of it.
                 [line = sink.line](std::size_t size, int) {
                     line(std::string(size == ZPOSAPP_RESPONSE_SIZE ? "(response record, " : "(request record, ") +
                          std::to_string(size) + " bytes)");
                 },
                 [reading = sink.reading](const std::string& text, int seconds) {
                     reading(text + ", " + std::to_string(seconds) + " s");
                 }},
                // The blocking connect lasts as long as the system's SYN
                // retries, which differ between Linux and Windows.
                "connecting again, blocking, as long as the system allows") {}

}  // namespace zpos::agent
