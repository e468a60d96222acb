// An application directory with the test backup and pad libraries and a
// backup server on loopback.
#pragma once

#include <string>
#include <vector>

#include "tests/common/pad_dir.h"
#include "tests/common/records_helper.h"
#include "tests/common/wire.h"
#include "tests/doubles/testbackup/backup_server.h"
#include "tests/request/built_message.h"

namespace zpos::test {

class BackupDir : public PadDir {
public:
    enum class Lib { full, no_exports, none };
    explicit BackupDir(Lib lib = Lib::full, Pad pad = Pad::full);
    ~BackupDir();

    // The library's script; "port=<server port>" is always the first line.
    void script(const std::string& extra) const;
    // Lines of the library's record file: its calls in order.
    std::vector<std::string> calls() const;

    BackupServer server{0};
};

// The backup request built from card_request, before its check byte
// (cryptCard is ROT47).
struct BackupMessage {
    std::string code = "1100";
    std::string term_id = "1200000001";
    std::string entry = "20";
    std::string track = "c_ha`abc`abc`abclad`a`_`" + std::string(16, ' ');
    std::string amount = "00010000";
    std::string date{};
    std::string org_auth_no{};  // none for an approval
    std::string signature{};    // base64, none without a signature
    std::string text() const {
        return STX + "ZLTA" + FS + code + FS + term_id + FS + entry + FS + track + FS + FS + "00" + FS + amount + FS +
               "00000500" + FS + "00000300" + FS + date + FS + (org_auth_no.empty() ? "" : org_auth_no + FS) +
               (signature.empty() ? "" : "ZL01YYRD" + FS + signature + FS) + "N" + std::string(12, kFS) + ETX;
    }
};

}  // namespace zpos::test
