// `zpos demo`: a day's worth of transactions against zpos-host on loopback.
// The library keeps its logs and settings beside the executable, so the demo
// runs a copy of zpos (with the library and zpos-host) from a fresh
// temporary directory; the hosts are zpos-host child processes, always
// stopped before the demo ends.
#include <dlfcn.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tools/zpos/record_view.h"
#include "tools/zpos/zpos.h"
#include "zposapp.h"

namespace fs = std::filesystem;

namespace zpos::cli {

namespace {

constexpr int kHostStartMs = 5000;
constexpr int kHostStopMs = 2000;
constexpr char kHostName[] = "zpos-host";
// Every card beginning with 5 is declined (한도초과); everything else approved.
constexpr char kScenario[] = "decline card 5 \xED\x95\x9C\xEB\x8F\x84\xEC\xB4\x88\xEA\xB3\xBC\n";

fs::path own_dir() { return fs::read_symlink("/proc/self/exe").parent_path(); }

// zpos-host beside zpos, as installed; in a build tree, in the host's folder.
fs::path find_host() {
    fs::path dir = own_dir();
    std::error_code ec;
    for (const fs::path& p : {dir / kHostName, dir.parent_path() / "host" / kHostName})
        if (fs::exists(p, ec)) return p;
    return {};
}

// A zpos-host child: started with its options, its port read from the line
// it prints once it listens.
class HostChild {
public:
    HostChild() = default;
    ~HostChild() { stop(); }
    HostChild(const HostChild&) = delete;
    HostChild& operator=(const HostChild&) = delete;

    bool start(const fs::path& exe, std::vector<std::string> options) {
        int out[2];
        if (pipe(out) != 0) return false;
        options.insert(options.begin(), {exe.string(), "--port", "0"});
        std::vector<char*> argv;
        for (std::string& o : options) argv.push_back(o.data());
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        out_ = out[0];
        return pid_ > 0 && read_port();
    }

    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status;
            auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHostStopMs);
            while (waitpid(pid_, &status, WNOHANG) == 0) {
                if (std::chrono::steady_clock::now() >= end) {
                    kill(pid_, SIGKILL);
                    waitpid(pid_, &status, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            pid_ = -1;
        }
        if (out_ >= 0) close(out_);
        out_ = -1;
    }

    int port() const { return port_; }

private:
    // "zpos-host listening on 127.0.0.1:PORT (...)", within kHostStartMs.
    bool read_port() {
        std::string line;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHostStartMs);
        while (line.find('\n') == std::string::npos) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd p{out_, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
            char buf[256];
            ssize_t n = read(out_, buf, sizeof buf);
            if (n <= 0) return false;
            line.append(buf, static_cast<std::size_t>(n));
        }
        std::size_t at = line.find("127.0.0.1:");
        port_ = at == std::string::npos ? 0 : std::atoi(line.c_str() + at + 10);
        return port_ > 0;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int port_ = 0;
};

int start_demo_copy(bool keep) {
    fs::path host = find_host();
    if (host.empty()) return fail("cannot find zpos-host beside zpos");
    char dir_template[] = "/tmp/zpos-demo-XXXXXX";
    if (!mkdtemp(dir_template)) return fail("cannot create a temporary directory");
    fs::path dir = dir_template;
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&Zelta_Send), &info) || !info.dli_fname) return fail("cannot find the library");
    std::error_code ec;
    fs::copy_file("/proc/self/exe", dir / "zpos", ec);
    if (!ec) fs::copy_file(host, dir / kHostName, ec);
    if (!ec) fs::copy_file(fs::canonical(info.dli_fname), dir / fs::path(info.dli_fname).filename(), ec);
    if (ec) return fail("cannot copy the demo into ", dir.string());
    fs::permissions(dir / "zpos", fs::perms::owner_all);
    fs::permissions(dir / kHostName, fs::perms::owner_all);
    if (std::FILE* ini = std::fopen((dir / "ZposSign.ini").c_str(), "w")) {
        std::fputs("[VANCFG]\nVANID=1\nEOT_CNT=0\n[COM_PORT]\nSignSetting=NO\nPIN=NO\nGetComPort=1\n", ini);
        std::fclose(ini);
    }
    if (std::FILE* scenario = std::fopen((dir / "demo.scenario").c_str(), "w")) {
        std::fputs(kScenario, scenario);
        std::fclose(scenario);
    }
    setenv("ZPOS_REGISTRY_FILE", (dir / "registry.dat").c_str(), 1);
    // The copy's folder is the demo's application directory, whatever the
    // caller's environment names.
    unsetenv("ZPOS_APP_DIR");
    std::string exe = (dir / "zpos").string();
    const char* argv[] = {exe.c_str(), "demo", "--in-app-dir", keep ? "--keep" : nullptr, nullptr};
    execv(exe.c_str(), const_cast<char* const*>(argv));
    return fail("cannot start the demo copy");
}

void show(const char* title, const Request& request, const char* response, int result) {
    std::printf("\n== %s\n-- request\n", title);
    print_request(stdout, request.data());
    std::printf("-- response\n");
    print_response(stdout, response);
    std::printf("-- result %d: %s\n", result, zposapp_send_result_text(result));
}

int run_demo_here(bool keep) {
    fs::path dir = own_dir();
    HostChild link, download;
    if (!link.start(dir / kHostName, {"--scenario", (dir / "demo.scenario").string()}) ||
        !download.start(dir / kHostName, {"--download"}))
        return fail("cannot start the host simulator on 127.0.0.1");
    int port = link.port();
    std::printf("host simulator on 127.0.0.1:%d, download server on 127.0.0.1:%d\n", port, download.port());

    std::array<char, ZPOSAPP_RESPONSE_SIZE> response{};
    Request approval{}, declined{}, cash{}, points{};
    card_request(approval, "0200", "10", kDefaultTrack, false, 30000, 0, kDefaultTermId);
    int r = Zelta_Send("127.0.0.1", port, approval.data(), response.data());
    show("card approval", approval, response.data(), r);
    int ack = Zelta_Ack();
    std::printf("-- Zelta_Ack: %d (%s)\n", ack, zposapp_ack_result_text(ack));

    card_request(declined, "0200", "10", "5410123456789012=2812101", false, 45000, 0, kDefaultTermId);
    r = Zelta_Send("127.0.0.1", port, declined.data(), response.data());
    show("declined card (acknowledged automatically)", declined, response.data(), r);

    card_request(cash, "0200", "21", "8001011234567", true, 12000, 0, kDefaultTermId);
    r = Zelta_Send("127.0.0.1", port, cash.data(), response.data());
    show("cash", cash, response.data(), r);
    Zelta_Ack();

    points_request(points, "01", "01", kDefaultPointsTrack, 5000, kDefaultTermId);
    r = Zelta_OKCashbag("127.0.0.1", port, points.data(), response.data());
    show("points", points, response.data(), r);
    Zelta_Ack();

    std::array<char, ZPOSAPP_DOWNLOAD_ANSWER_SIZE> answer{};
    r = Zelta_download("127.0.0.1", download.port(), "DOWNLOAD REQUEST", answer.data());
    std::printf("\n== download\n-- result %d: %s\n-- answer [%s]\n", r, zposapp_download_result_text(r), answer.data());

    link.stop();
    download.stop();
    std::printf("\nlog files: %s/Logs/\nsettings:  %s/ZposSign.ini\n", dir.c_str(), dir.c_str());
    if (!keep) {
        std::printf("(add --keep to keep them)\n");
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    return 0;
}

}  // namespace

int run_demo(const Command&, const Arguments& a) {
    bool keep = a.has("keep");
    return a.has("in-app-dir") ? run_demo_here(keep) : start_demo_copy(keep);
}

}  // namespace zpos::cli
