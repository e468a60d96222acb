// The backup server's answer through the backup route: the split into its
// seventeen fields and the approval or refusal fill of the response record,
// with the answer served by a stand-in BACKUPDLL beside the fuzz binary.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "backup/backup_route.h"
#include "entry/call.h"
#include "fuzz/fuzz_input.h"
#include "platform/platform.h"
#include "support/message_kinds.h"
#include "support/records.h"

extern "C" void fuzz_set_backup_answer(const unsigned char* bytes, std::size_t size);

namespace {
// The stand-in is linked into this binary; the route loads it again by its
// path in the application directory and gets the same copy.
void place_library() {
    static bool placed = false;
    if (placed) return;
    placed = true;
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    auto lib = exe.parent_path() / (std::string("BACKUPDLL") + zpos::platform::kLibSuffix);
    std::filesystem::create_symlink(lib, zpos::fuzz::app_dir().file("BACKUPDLL") + zpos::platform::kLibSuffix, ec);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zpos::fuzz::app_dir();
    place_library();
    fuzz_set_backup_answer(data, size);
    char response[zpos::resp::kSize];
    std::memset(response, '.', sizeof response);
    const char framed[] = "\x02ZLTA\x03";
    zpos::BackupRouteResult r = zpos::send_backup_route(zpos::g_module, response, framed, sizeof framed - 1,
                                                        zpos::kind::kCardApproval);
    if (r == zpos::BackupRouteResult::unusable) __builtin_trap();  // the stand-in was not loaded
    return 0;
}
