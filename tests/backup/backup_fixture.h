// An application directory with the test backup library (full, without its
// exports, or none), the test pad library and a backup server on a free
// loopback port that the library's script points at.
#pragma once

#include <string>
#include <vector>

#include "tests/common/app_dir.h"
#include "tests/common/records_helper.h"
#include "tools/testbackup/backup_server.h"

namespace zpos::test {

inline const std::string FS = "\x1c";
inline const std::string ETX = "\x03";
inline const std::string STX = "\x02";

class BackupDir : public AppDir {
public:
    enum class Lib { full, no_exports, none };
    explicit BackupDir(Lib lib = Lib::full);
    ~BackupDir();

    // The library's script; "port=<server port>" is always the first line.
    void script(const std::string& extra) const;
    void pad_script(const std::string& text) const;
    // Lines of the library's record file: its calls in order.
    std::vector<std::string> calls() const;

    BackupServer server{0};
};

// A card request as the POS sends it: term_id 1200000001, track
// 4092123412341234=2512101, entry "A", instalments "00", the given amount.
Request card_request(const char* amount);

// A 450-byte response record of dots, so every byte written shows.
std::string dots();
// What a text field holds after one write: the text, its NUL, then the dots.
std::string written(const std::string& text, std::size_t width);

}  // namespace zpos::test
