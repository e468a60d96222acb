// The backup test directory: a copy of the test backup library, its script
// and the record of its calls.
#include "tests/backup/backup_fixture.h"

#include <filesystem>
#include <fstream>

#include "entry/call.h"
#include "platform/platform.h"
#include "support/route.h"

namespace zpos::test {

BackupDir::BackupDir(Lib lib, Pad pad) : PadDir(pad) {
    route_primary_for_call(g_module);
    g_module.call.backup_port = 0;
    std::string name = file(std::string("BACKUPDLL") + platform::kLibSuffix);
    if (lib == Lib::full) std::filesystem::copy_file(ZPOS_TESTBACKUP_PATH, name);
    if (lib == Lib::no_exports) std::filesystem::copy_file(ZPOS_TESTBACKUP_EMPTY_PATH, name);
    script("");
}

BackupDir::~BackupDir() { route_primary_for_call(g_module); }

void BackupDir::script(const std::string& extra) const {
    std::ofstream(file("BACKUPDLL.script")) << "port=" << server.port() << "\n" << extra;
}

std::vector<std::string> BackupDir::calls() const { return lines_of(read_file(file("BACKUPDLL.record"))); }

}  // namespace zpos::test
