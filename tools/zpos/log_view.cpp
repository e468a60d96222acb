// zpos's views of the log: a whole day's file as a timeline, and the lines
// of a running call as they come.
#include "tools/zpos/log_view.h"

#include <fstream>

#include "tools/zpos/name_tables.h"
#include "tools/zpos/record_view.h"

namespace zpos::cli {

namespace {

std::string since(int seconds) { return std::to_string(seconds) + " s"; }

void show_record(std::FILE* out, const std::string& bytes) {
    if (bytes.size() == ZPOSAPP_REQUEST_SIZE) {
        std::fprintf(out, "request record, %zu bytes:\n", bytes.size());
        print_request(out, bytes.data());
    } else {
        std::fprintf(out, "response record, %zu bytes:\n", bytes.size());
        print_response(out, bytes.data());
    }
}

bool is_record(const std::string& bytes) {
    return bytes.size() == ZPOSAPP_REQUEST_SIZE || bytes.size() == ZPOSAPP_RESPONSE_SIZE;
}

int seconds_of(const std::string& hhmmss) {
    int h = 0, m = 0, s = 0;
    if (std::sscanf(hhmmss.c_str(), "%d:%d:%d", &h, &m, &s) != 3) return 0;
    return h * 3600 + m * 60 + s;
}

}  // namespace

std::string readable(std::string_view s) { return to_utf8(s.data(), s.size()); }

bool show_log(std::FILE* out, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::fprintf(out, "log %s\n", path.c_str());
    int start = -1;
    for (std::string line; std::getline(in, line);) {
        LogEntry e;
        if (!parse_log_line(line, e)) continue;
        std::string bytes = all_bytes(e.text);
        int now = seconds_of(e.time);
        if (bytes.size() == ZPOSAPP_REQUEST_SIZE) {
            start = now;
            std::fprintf(out, "\n== %s transaction\n", e.time.c_str());
        }
        int elapsed = start < 0 ? 0 : (now - start + 86400) % 86400;
        if (is_record(bytes)) {
            std::fprintf(out, "%s  +%-5s ", e.time.c_str(), since(elapsed).c_str());
            show_record(out, bytes);
            continue;
        }
        const LogLine* known = known_line(e.text);
        std::fprintf(out, "%s  +%-5s %s\n", e.time.c_str(), since(elapsed).c_str(), readable(e.text).c_str());
        if (known) std::fprintf(out, "%17s %s\n", "", meaning_of(*known));
    }
    return true;
}

// ---- The waiting lines ----

int with_waiting_lines(std::FILE* out, const std::string& app_dir, const char* reading,
                       const std::function<int()>& call) {
    tools::LogFollower follower(
        app_dir,
        {[out](const std::string& logged, int seconds) {
             std::fprintf(out, "  | %-5s %s\n", since(seconds).c_str(), readable(logged).c_str());
             std::fflush(out);
         },
         [out](std::size_t size, int seconds) {
             std::fprintf(out, "  | %-5s (%s record, %zu bytes)\n", since(seconds).c_str(),
                          size == ZPOSAPP_REQUEST_SIZE ? "request" : "response", size);
             std::fflush(out);
         },
         [out](const std::string& text, int seconds) {
             std::fprintf(out, "  ~ %s, %s\n", text.c_str(), since(seconds).c_str());
             std::fflush(out);
         }},
        "connecting again, blocking, three SYN retries (about 20 s)");
    follower.start(reading);
    int result = call();
    follower.stop();
    return result;
}

}  // namespace zpos::cli
