// Shared by the parts of winpos, the Windows test POS, and by winunit: the
// check counter, the program's directory and files, request records, the
// library's entry points and the message-box count.
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
// A response field's first byte: RESP(resp, AUTH_NO).
#define RESP(record, NAME) ((record) + ZPOSAPP_RESP_##NAME##_OFFSET)

// Prints "ok" or "FAIL" with the name (and the printf-style detail on failure).
void check(bool ok, const char* name, const char* fmt = nullptr, ...);
const char* named(const char* name, const char* what);  // "name: what", kept until the next call
extern int g_passed;
extern int g_failed;

// ---- support.cpp ----
extern char g_dir[MAX_PATH];       // this program's directory, no trailing backslash
extern char g_ini[MAX_PATH + 32];  // <dir>\ZposSign.ini
extern char g_log[1 << 18];        // what load_log read
bool find_own_directory();
bool write_file(const char* path, const char* bytes, long len = -1);  // -1: a C string
long read_file(const char* path, char* out, long size);               // -1 when missing
bool write_bytes(const char* name, const char* bytes, DWORD len);     // <dir>\name
void ini_value(const char* key, char* out, int size);
bool load_log();
bool log_has(const char* text);
bool log_has_line(const char* line);
long log_size();
void log_path(char* out, std::size_t size);  // today's <dir>\Logs\AppLog.YYMMDD.txt
// Keeps in g_log (and in <dir>\name) only what the log gained since `from`.
void load_log_since(long from, const char* name);
void put(char* rec, int offset, const char* text);
void pos_request(char* rec, const char* msg_type, const char* kind, const char* track, long amount);
void card_request(char* rec, const char* msg_type, const char* kind);
bool bytes_are(const char* p, const char* expected);
int closed_port();                  // a loopback port with nothing listening
extern int g_idle_port;             // where calls refused before connecting go

// ---- library.cpp ----
extern HMODULE g_lib;
extern SendFn g_send;
extern SendFn g_okcashbag;
extern AckFn g_ack;
void check_load();
void check_version(const char* version);

// ---- notices.cpp ----
extern volatile LONG g_notice_count;
DWORD WINAPI notice_watcher(LPVOID);
extern HWND g_pos_window;  // the library's message boxes must belong to it
void check_notices();

// ---- local_checks.cpp: answered without zpos-host ----
void check_route_refresh();
void check_app_dir_from_environment();
void check_card_no_host();

// ---- host_checks.cpp ----
void check_card_approval(int port);
void check_signed_approval(int port);
void check_decline(int port);

}  // namespace winpos
