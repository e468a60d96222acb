// Shared by the parts of winpos, the Windows test POS: the check counter, the
// application directory and its files, request records, the library's entry
// points and the message-box count. Each part's checks are declared at the end.
// winunit takes the check counter and the file helpers from here too.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstddef>

#include "zposapp.h"
#include "zposapp_records.h"

namespace winpos {

using SendFn = int(__stdcall*)(const char*, int, const char*, char*);
using AckFn = int(__stdcall*)();

constexpr int kRequestSize = ZPOSAPP_REQUEST_SIZE;
constexpr int kResponseSize = ZPOSAPP_RESPONSE_SIZE;
// A response field's first byte by its name in zposapp_records.h:
// RESP(resp, AUTH_NO).
#define RESP(record, NAME) ((record) + ZPOSAPP_RESP_##NAME##_OFFSET)

// Prints "ok" or "FAIL" with the name (and, on failure, the printf-style
// detail) and counts it.
void check(bool ok, const char* name, const char* fmt = nullptr, ...);
extern int g_passed;
extern int g_failed;

// ---- The application directory and its files (support.cpp) ----
extern char g_dir[MAX_PATH];       // directory of this program, no trailing backslash
extern char g_ini[MAX_PATH + 32];  // <dir>\ZposSign.ini
extern char g_log[1 << 18];        // what load_log read
bool find_own_directory();
bool write_file(const char* path, const char* text);
long read_file(const char* path, char* out, long size);
bool write_bytes(const char* name, const char* bytes, DWORD len);
void ini_value(const char* key, char* out, int size);
bool load_log();
bool log_has(const char* text);
bool log_has_line(const char* line);
long log_size();
// Name of today's log file: <dir>\Logs\AppLog.YYMMDD.txt in local time.
void log_path(char* out, std::size_t size);
void load_log_since(long from, const char* name);

// ---- Records (support.cpp) ----
void put(char* rec, int offset, const char* text);
void pos_request(char* rec, const char* msg_type, const char* kind, const char* track, long amount);
void card_request(char* rec, const char* msg_type, const char* kind);
bool bytes_are(const char* p, const char* expected);
bool all_bytes(const char* p, int count, char value);

// A TCP socket bound to a free loopback port, and a loopback port with
// nothing listening (support.cpp).
SOCKET loopback_socket(int& port);
int closed_port();
// Where calls that the library refuses before connecting are addressed.
extern int g_idle_port;

// ---- The library (library.cpp) ----
extern HMODULE g_lib;
extern SendFn g_send;
extern SendFn g_okcashbag;
extern AckFn g_ack;
extern SendFn g_download;
void check_load();
void check_version(const char* version);
void check_calling_convention();

// ---- Message boxes (notices.cpp) ----
extern volatile LONG g_notice_count;
DWORD WINAPI notice_watcher(LPVOID);
// The POS's own window, which the library's message boxes must belong to.
extern HWND g_pos_window;
void check_notices();

// ---- Calls answered without zpos-host (local_checks.cpp) ----
void check_refusal();
void check_route_refresh();
void check_download();
void check_app_dir_from_environment();
void check_card_no_host();
void check_log_prefixes();

// ---- Card transactions with zpos-host (host_checks.cpp) ----
void check_card_approval(int port, bool with_store);
void check_signed_approval(int port);
void check_decline(int port);

// ---- The security store (store.cpp) ----
void check_store_filled();
void check_serial_marked();

}  // namespace winpos
