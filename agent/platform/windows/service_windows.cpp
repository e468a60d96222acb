// zpos-agent as a Windows service: `zpos-agent service install|uninstall|
// start|stop`, and `service run`, the command line the service manager
// starts. The service is the console agent under the service manager: a
// stop, shutdown or pre-shutdown request arrives as the SIGTERM the console
// agent stops on, and the agent's "READY=1" (listening) is what reports it
// running.
#include "agent/platform/platform.h"

#include <windows.h>

#include <csignal>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace zpos::agent::platform {

namespace {

constexpr char kName[] = "zpos-agent";
constexpr char kDisplayName[] = "ZPosApp payment agent";
constexpr char kDescription[] =
    "Local payment service of ZPosApp: the point of sale's one way to the payment host, with a crash-safe "
    "transaction journal.";
// The longest a running library call may take to return before the agent
// stops; a stop waits for it, so the service manager is told to wait as long.
constexpr DWORD kStopWaitMs = 150000;
constexpr DWORD kStartWaitMs = 30000;
constexpr DWORD kRestartDelayMs = 5000;
constexpr DWORD kFailureResetSeconds = 24 * 3600;

std::mutex status_mutex;
SERVICE_STATUS_HANDLE status_handle = nullptr;
SERVICE_STATUS status{};
int (*serve_main)(int, char**) = nullptr;
std::vector<std::string> serve_args;

void report(DWORD state, DWORD wait_ms = 0, int exit_status = 0) {
    std::lock_guard<std::mutex> lock(status_mutex);
    if (!status_handle) return;
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PRESHUTDOWN : 0;
    status.dwWin32ExitCode = exit_status ? ERROR_SERVICE_SPECIFIC_ERROR : NO_ERROR;
    status.dwServiceSpecificExitCode = static_cast<DWORD>(exit_status);
    status.dwWaitHint = wait_ms;
    status.dwCheckPoint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : status.dwCheckPoint + 1;
    SetServiceStatus(status_handle, &status);
}

DWORD WINAPI on_control(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
        case SERVICE_CONTROL_PRESHUTDOWN:
            report(SERVICE_STOP_PENDING, kStopWaitMs);
            std::raise(SIGTERM);
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
        default: return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI service_main(DWORD, LPSTR*) {
    {
        std::lock_guard<std::mutex> lock(status_mutex);
        status_handle = RegisterServiceCtrlHandlerExA(kName, on_control, nullptr);
    }
    if (!status_handle) return;
    report(SERVICE_START_PENDING, kStartWaitMs);
    std::vector<char*> argv;
    for (std::string& a : serve_args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int exit_status = serve_main(static_cast<int>(argv.size() - 1), argv.data());
    report(SERVICE_STOPPED, 0, exit_status);
}

std::string quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    for (char c : arg) {
        if (c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

int failed(const char* what) {
    std::fprintf(stderr, "zpos-agent: %s: error %lu\n", what, static_cast<unsigned long>(GetLastError()));
    return 1;
}

// Waits, bounded, for the service to leave `pending`; its last state.
DWORD wait_while(SC_HANDLE service, DWORD pending, DWORD limit_ms) {
    SERVICE_STATUS s{};
    for (DWORD waited = 0;; waited += 250) {
        if (!QueryServiceStatus(service, &s)) return 0;
        if (s.dwCurrentState != pending || waited >= limit_ms) return s.dwCurrentState;
        Sleep(250);
    }
}

int install(int argc, char** argv) {
    char exe[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    if (n == 0 || n >= sizeof exe) return failed("cannot name this program");
    std::string command = quoted(exe) + " service run";
    for (int i = 3; i < argc; ++i) command += " " + quoted(argv[i]);
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
    if (!manager) return failed("cannot open the service manager");
    SC_HANDLE service = CreateServiceA(manager, kName, kDisplayName, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                       SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr,
                                       nullptr, nullptr, nullptr);
    if (!service) {
        int rc = failed("cannot install the service");
        CloseServiceHandle(manager);
        return rc;
    }
    SERVICE_DESCRIPTIONA description{const_cast<char*>(kDescription)};
    ChangeServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, &description);
    // Restarted 5 s after each failure, a clean stop with an error included.
    SC_ACTION restart[3] = {{SC_ACTION_RESTART, kRestartDelayMs}, {SC_ACTION_RESTART, kRestartDelayMs},
                            {SC_ACTION_RESTART, kRestartDelayMs}};
    SERVICE_FAILURE_ACTIONSA actions{kFailureResetSeconds, nullptr, nullptr, 3, restart};
    ChangeServiceConfig2A(service, SERVICE_CONFIG_FAILURE_ACTIONS, &actions);
    SERVICE_FAILURE_ACTIONS_FLAG on_error{TRUE};
    ChangeServiceConfig2A(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &on_error);
    SERVICE_PRESHUTDOWN_INFO preshutdown{kStopWaitMs};
    ChangeServiceConfig2A(service, SERVICE_CONFIG_PRESHUTDOWN_INFO, &preshutdown);
    std::printf("zpos-agent service installed: %s\n", command.c_str());
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return 0;
}

int control(const std::string& what) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return failed("cannot open the service manager");
    SC_HANDLE service = OpenServiceA(manager, kName, SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
    if (!service) {
        int rc = failed("no zpos-agent service");
        CloseServiceHandle(manager);
        return rc;
    }
    int rc = 0;
    SERVICE_STATUS s{};
    if (what == "start") {
        if (!StartServiceA(service, 0, nullptr)) rc = failed("cannot start the service");
        else if (wait_while(service, SERVICE_START_PENDING, kStartWaitMs) != SERVICE_RUNNING)
            rc = 1, std::fprintf(stderr, "zpos-agent: the service did not start; see the event log\n");
        else std::printf("zpos-agent service running\n");
    } else if (what == "stop") {
        if (!ControlService(service, SERVICE_CONTROL_STOP, &s)) rc = failed("cannot stop the service");
        else if (wait_while(service, SERVICE_STOP_PENDING, kStopWaitMs) != SERVICE_STOPPED)
            rc = 1, std::fprintf(stderr, "zpos-agent: the service has not stopped yet\n");
        else std::printf("zpos-agent service stopped\n");
    } else {
        // Stopped first, so that removing it never cuts a transaction.
        if (ControlService(service, SERVICE_CONTROL_STOP, &s)) wait_while(service, SERVICE_STOP_PENDING, kStopWaitMs);
        if (!DeleteService(service)) rc = failed("cannot uninstall the service");
        else std::printf("zpos-agent service uninstalled\n");
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return rc;
}

}  // namespace

void notify_service_manager(const std::string& message) {
    if (message.rfind("READY=1", 0) == 0) report(SERVICE_RUNNING);
    else if (message.rfind("STOPPING=1", 0) == 0) report(SERVICE_STOP_PENDING, kStopWaitMs);
}

bool service_command(int argc, char** argv, int (*serve)(int, char**), int& exit_status) {
    if (argc < 2 || std::string(argv[1]) != "service") return false;
    std::string what = argc > 2 ? argv[2] : "";
    if (what == "install") exit_status = install(argc, argv);
    else if ((what == "uninstall" || what == "start" || what == "stop") && argc == 3) exit_status = control(what);
    else if (what == "run") {
        // The agent's own command line: the program and the options after "service run".
        serve_main = serve;
        serve_args = {argv[0]};
        for (int i = 3; i < argc; ++i) serve_args.push_back(argv[i]);
        SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(kName), service_main}, {nullptr, nullptr}};
        if (StartServiceCtrlDispatcherA(table)) exit_status = 0;
        else if (GetLastError() == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT)
            exit_status = 2, std::fprintf(stderr, "zpos-agent: service run is for the service manager; "
                                                  "without \"service run\" the agent runs in this console\n");
        else exit_status = failed("cannot reach the service manager");
    } else {
        exit_status = 2;
        std::fprintf(stderr, "usage: zpos-agent service install [--state-dir DIR] [OPTION]...\n"
                             "       zpos-agent service uninstall|start|stop\n");
    }
    return true;
}

}  // namespace zpos::agent::platform
