// An installed zpos must not leave the library's Logs and ZposSign.ini in
// /usr/bin (as root nothing stops it), nor lose them silently elsewhere.
#include "tools/zpos/app_dir.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>


namespace zpos::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSystemFolders[] = {"/usr", "/bin", "/sbin", "/lib", "/opt", "/snap"};

bool under(const std::string& dir, const std::string& top) {
    return dir == top || dir.rfind(top + "/", 0) == 0;
}

bool writable(const std::string& dir) { return access(dir.c_str(), W_OK | X_OK) == 0; }

bool is_system_folder(const std::string& dir) {
    for (const char* top : kSystemFolders)
        if (under(dir, top)) return true;
    return !writable(dir);
}

std::string state_folder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    // A relative XDG_STATE_HOME is invalid and ignored.
    if (state && state[0] == '/') return std::string(state) + "/zposapp";
    const char* home = std::getenv("HOME");
    if (!home || !home[0]) {
        const passwd* pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : "";
    }
    return std::string(home) + "/.local/state/zposapp";
}

// Why the library cannot keep its files in `dir`, or "".
std::string write_problem(const std::string& dir) {
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) return "is not a directory";
        return writable(dir) ? "" : "cannot be written by this user";
    }
    // The library creates a missing folder, but not the ones above it.
    std::string parent = fs::path(dir).parent_path().string();
    return writable(parent.empty() ? "." : parent) ? "" : "does not exist and cannot be created by this user";
}

// The folder the library itself takes: ZPOS_APP_DIR without its trailing
// slashes (made when missing), else the executable's folder; 200 characters
// at most, as the library keeps it.
std::string library_app_dir() {
    const char* named = std::getenv("ZPOS_APP_DIR");
    std::string dir;
    if (named && named[0]) {
        dir = named;
        while (!dir.empty() && dir.back() == '/') dir.pop_back();
        dir = dir.substr(0, 200);
        // Made as the library makes it, each missing folder 0750.
        for (std::size_t at = 1; at <= dir.size(); ++at)
            if (at == dir.size() || dir[at] == '/') mkdir(dir.substr(0, at).c_str(), 0750);
        return dir;
    }
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).parent_path().string().substr(0, 200);
}

std::string choose() {
    const char* named = std::getenv("ZPOS_APP_DIR");
    std::string why = "ZPOS_APP_DIR";
    if (!named || !named[0]) {
        std::error_code ec;
        std::string own = fs::canonical("/proc/self/exe", ec).parent_path().string();
        why = "this program's directory";
        if (!ec && is_system_folder(own)) {
            std::string state = state_folder();
            fs::create_directories(state, ec);
            // The library names its folders the same way.
            fs::permissions(state, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec, ec);
            setenv("ZPOS_APP_DIR", state.c_str(), 1);
            why = "zpos lies in the system folder " + own + "; ZPOS_APP_DIR names another";
        }
    }
    std::string dir = library_app_dir();
    std::fprintf(stderr, "zpos: application directory %s (%s)\n", dir.c_str(), why.c_str());
    std::string problem = write_problem(dir);
    if (!problem.empty())
        std::fprintf(stderr,
                     "zpos: warning: the application directory %s %s: the library's log and its route state "
                     "(ZposSign.ini) are lost; set ZPOS_APP_DIR to a folder of your own\n",
                     dir.c_str(), problem.c_str());
    return dir;
}

}  // namespace

const std::string& app_dir() {
    static const std::string dir = choose();
    return dir;
}

}  // namespace zpos::cli
