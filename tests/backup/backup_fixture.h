// An application directory with the test backup and pad libraries and a
// backup server on loopback.
#pragma once

#include <string>
#include <vector>

#include "tests/common/pad_dir.h"
#include "tests/common/records_helper.h"
#include "tests/common/wire.h"
#include "tests/doubles/testbackup/backup_server.h"

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

// A card request as the POS sends it: term_id 1200000001, track
// 4092123412341234=2512101 (NUL-padded), entry "A", instalments "00", extras 500 and 300,
// the original approval 12345678 of 231101, and the given amount.
inline Request card_request(const char* amount) {
    Request r = sample_card_request("0200", "10", "", "A");
    r.set_padded(req::track2, "4092123412341234=2512101").set(req::amt_extra1, "000000500").set(req::amt_extra2, "000000300").set(req::tran_amt, amount);
    return r.set(req::org_auth_no, "12345678").set(req::org_auth_date, "231101");
}

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
