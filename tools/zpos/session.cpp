// `zpos session`: the calls of a file, one a line, made in one process (so a
// Zelta_Ack confirms the approval before it); every line is checked before
// the first runs.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <utility>

#include "tools/zpos/zpos.h"

namespace zpos::cli {

namespace {

// The words of a session line; "..." keeps blanks inside one word.
std::vector<std::string> words_of(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) words.push_back(word);
    return words;
}

// One session line into a call; the session's --host and --port (and
// --download-port) stand in for the line's missing ones.
bool prepare_line(const std::vector<std::string>& words, const Arguments& session, Call& call) {
    if (words[0] == "wait") {
        char* end = nullptr;
        double seconds = words.size() == 2 ? std::strtod(words[1].c_str(), &end) : -1;
        if (words.size() != 2 || *end != '\0' || seconds < 0 || seconds > 3600)
            return fail("wait expects SECONDS, a number from 0 to 3600") == 0;
        call.what = Call::What::Wait;
        call.wait_ms = static_cast<long>(seconds * 1000);
        return true;
    }
    const Command* c = find_command(words[0]);
    if (!c || !c->prepare)
        return fail("a session line is send, points, ack, download or wait, not ", "'" + words[0] + "'") == 0;
    Arguments a;
    if (!read_arguments(*c, std::span(words).subspan(1), a)) return false;
    const char* port = c->prepare == prepare_download && session.has("download-port") ? "download-port" : "port";
    if (tools::find_option(c->options, "host") && !a.has("host") && session.has("host"))
        a.options["host"] = session.options.at("host");
    if (tools::find_option(c->options, "port") && !a.has("port") && session.has(port))
        a.options["port"] = session.options.at(port);
    return c->prepare(*c, a, call);
}

}  // namespace

int run_session(const Command&, const Arguments& a) {
    const std::string& file = a.plain[0];
    long unused;
    if (!number_option(a, "port", kDefaultPort, 1, 65535, unused) ||
        !number_option(a, "download-port", kDefaultPort, 1, 65535, unused))
        return 2;
    std::ifstream in_file;
    if (file != "-") {
        in_file.open(file);
        if (!in_file) return fail("cannot read ", file);
    }
    std::istream& in = file == "-" ? std::cin : in_file;
    std::vector<std::pair<std::string, Call>> calls;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> words = words_of(line);
        if (words.empty() || words[0][0] == '#') continue;
        g_where = (file == "-" ? std::string("stdin") : file) + ":" + std::to_string(number) + ": ";
        Call call;
        if (!prepare_line(words, a, call)) return 2;
        calls.emplace_back(line, call);
    }
    g_where.clear();
    int failed = 0;
    for (const auto& [line, call] : calls) {
        std::printf("\n>> %s\n", line.c_str());
        if (run(call) != 0) ++failed;
    }
    std::printf("\nsession: %zu commands, %zu succeeded, %d failed\n", calls.size(), calls.size() - failed, failed);
    return failed ? 1 : 0;
}

}  // namespace zpos::cli
