#include "agent/platform/platform.h"

#include <windows.h>
#include <bcrypt.h>
#include <sddl.h>

#include <atomic>
#include <cstdlib>
#include <vector>

namespace zpos::agent::platform {

namespace {

// The agent's own account (LocalSystem when it runs as the service), the
// system and the Administrators, full control; "P": nothing inherited from
// the folder above. Folders pass the same list on to what is made in them.
std::string private_acl(bool for_folder) {
    std::string me = "SY";
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        unsigned char buffer[256];
        DWORD size = 0;
        if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
            char* sid = nullptr;
            if (ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid)) {
                me = sid;
                LocalFree(sid);
            }
        }
        CloseHandle(token);
    }
    std::string flags = for_folder ? "OICI" : "";
    std::string acl = "D:P";
    for (const std::string& who : {me, std::string("SY"), std::string("BA")})
        acl += "(A;" + flags + ";FA;;;" + who + ")";
    return acl;
}

// A SECURITY_ATTRIBUTES with the private list, freed with the object.
struct PrivateSecurity {
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    explicit PrivateSecurity(bool for_folder) {
        ConvertStringSecurityDescriptorToSecurityDescriptorA(private_acl(for_folder).c_str(), SDDL_REVISION_1,
                                                             &attributes.lpSecurityDescriptor, nullptr);
    }
    ~PrivateSecurity() { LocalFree(attributes.lpSecurityDescriptor); }
    PrivateSecurity(const PrivateSecurity&) = delete;
    PrivateSecurity& operator=(const PrivateSecurity&) = delete;
    bool ok() const { return attributes.lpSecurityDescriptor != nullptr; }
};

std::string last_error_text() {
    char text[256] = "";
    DWORD code = GetLastError();
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ')) text[--n] = '\0';
    return n ? std::string(text) : "error " + std::to_string(code);
}

}  // namespace

std::string default_state_dir() {
    char data[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("ProgramData", data, sizeof data);
    if (n == 0 || n >= sizeof data) return {};
    return std::string(data) + "\\ZPosApp";
}

bool make_private_dir(const std::string& dir, std::string& error) {
    DWORD attributes = GetFileAttributesA(dir.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
        return error = dir + " is not a directory", false;
    }
    PrivateSecurity security(true);
    if (!security.ok() || !CreateDirectoryA(dir.c_str(), &security.attributes))
        return error = "cannot create " + dir + ": " + last_error_text(), false;
    return true;
}

bool absolute_path(const std::string& dir, std::string& out, std::string& error) {
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(dir.c_str(), sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return error = "cannot resolve " + dir, false;
    out = full;
    return true;
}

bool write_private_file(const std::string& path, const std::string& text, std::string& error) {
    std::string tmp = path + ".new";
    PrivateSecurity security(false);
    HANDLE f = CreateFileA(tmp.c_str(), GENERIC_WRITE, 0, security.ok() ? &security.attributes : nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return error = "cannot write " + tmp + ": " + last_error_text(), false;
    DWORD written = 0;
    bool ok = security.ok() && WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size() && FlushFileBuffers(f);
    CloseHandle(f);
    if (!ok || !MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = "cannot write " + path + ": " + last_error_text();
        DeleteFileA(tmp.c_str());
        return false;
    }
    return true;
}

bool lock_for_life(const std::string& path, bool& held_by_other, std::string& error) {
    held_by_other = false;
    // Never closed: the lock goes with the process.
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return error = "cannot open " + path + ": " + last_error_text(), false;
    OVERLAPPED at{};
    if (!LockFileEx(f, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        CloseHandle(f);
        held_by_other = true;
        return false;
    }
    return true;
}

long long modified_ns(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    // 100-nanosecond ticks.
    return ((static_cast<long long>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime) *
           100;
}

bool dir_writable(const std::string& dir) {
    static std::atomic<unsigned> count{0};
    std::string probe = dir + "\\.writable-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
    HANDLE f = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    CloseHandle(f);
    return true;
}

void random_bytes(unsigned char* out, std::size_t size) {
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, out, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        std::abort();
}

std::string hmac_sha256(const std::string& key, const std::string& data) {
    BCRYPT_ALG_HANDLE alg = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    unsigned char mac[32];
    auto bytes = [](const std::string& s) { return reinterpret_cast<PUCHAR>(const_cast<char*>(s.data())); };
    bool ok = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&alg, BCRYPT_SHA256_ALGORITHM, nullptr,
                                                         BCRYPT_ALG_HANDLE_HMAC_FLAG)) &&
              BCRYPT_SUCCESS(BCryptCreateHash(alg, &hash, nullptr, 0, bytes(key), static_cast<ULONG>(key.size()), 0)) &&
              BCRYPT_SUCCESS(BCryptHashData(hash, bytes(data), static_cast<ULONG>(data.size()), 0)) &&
              BCRYPT_SUCCESS(BCryptFinishHash(hash, mac, sizeof mac, 0));
    if (hash) BCryptDestroyHash(hash);
    if (alg) BCryptCloseAlgorithmProvider(alg, 0);
    // Without its hash no two bodies can be told apart: better no agent.
    if (!ok) std::abort();
    return std::string(reinterpret_cast<const char*>(mac), sizeof mac);
}

std::string cp949_to_utf8(const std::string& bytes) {
    if (bytes.empty()) return {};
    constexpr UINT kKorean = 949;
    int wide_size = MultiByteToWideChar(kKorean, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
    MultiByteToWideChar(kKorean, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), wide_size);
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, out.data(), size, nullptr, nullptr);
    return out;
}

// The state folder's access list covers what is made in it.
void restrict_new_files() {}

void set_environment(const char* name, const std::string& value) { SetEnvironmentVariableA(name, value.c_str()); }

void kill_now() {
    // 137, as a shell reports a process killed with signal 9.
    TerminateProcess(GetCurrentProcess(), 137);
    std::abort();
}

}  // namespace zpos::agent::platform
