// The backup test directory: copies of the test libraries, their scripts and
// the record of the library's calls.
#include "tests/backup/backup_fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "backup/backup_route.h"
#include "entry/call.h"
#include "platform/platform.h"
#include "platform/seams.h"
#include "support/route.h"

namespace zpos::test {

BackupDir::BackupDir(Lib lib) {
    route_primary_for_call();
    g_call.sign_flag = 0;
    platform::seams().backup_port = 0;
    std::string name = file(std::string("BACKUPDLL") + platform::kLibSuffix);
    if (lib == Lib::full) std::filesystem::copy_file(ZPOS_TESTBACKUP_PATH, name);
    if (lib == Lib::no_exports) std::filesystem::copy_file(ZPOS_TESTBACKUP_EMPTY_PATH, name);
    std::filesystem::copy_file(ZPOS_TESTPAD_PATH, file(std::string("SignPad_dll") + platform::kLibSuffix));
    script("");
}

BackupDir::~BackupDir() { route_primary_for_call(); }

void BackupDir::script(const std::string& extra) const {
    std::ofstream(file("BACKUPDLL.script")) << "port=" << server.port() << "\n" << extra;
}

void BackupDir::pad_script(const std::string& text) const {
    std::ofstream(file("SignPad_dll.script")) << text;
}

std::vector<std::string> BackupDir::calls() const {
    std::vector<std::string> out;
    std::istringstream in(read_file(file("BACKUPDLL.record")));
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

Request card_request(const char* amount) {
    Request r("0200", "10");
    r.set(req::entry_mode, "A");
    r.set_padded(req::track2, "4092123412341234=2512101");
    r.set(req::install_months, "00");
    r.set(req::amt_extra1, "000000500");
    r.set(req::amt_extra2, "000000300");
    r.set(req::tran_amt, amount);
    r.set(req::org_auth_no, "12345678");
    r.set(req::org_auth_date, "231101");
    return r;
}

std::string dots() { return std::string(resp::kSize, '.'); }

std::string written(const std::string& text, std::size_t width) {
    if (text.size() >= width) return text.substr(0, width);
    return text + '\0' + std::string(width - text.size() - 1, '.');
}

}  // namespace zpos::test
