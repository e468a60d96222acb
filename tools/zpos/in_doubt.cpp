// An approval is closed by the EOT that answers Zelta_Ack's ACK or by the
// host's answer to the management message; anything else after it (an ACK
// that was not sent, a management message that did not get through, the next
// transaction, or nothing at all) leaves the host without a confirmation.
// The log has no process id, so it is read as one POS process's: a close is
// taken for the approval just before it.
#include "tools/zpos/in_doubt.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

#include "tools/zpos/log_view.h"
#include "tools/zpos/record_view.h"

namespace zpos::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kApproved = "0000";
constexpr char kNothingAfter[] = "in doubt: no Zelta_Ack logged after it";
constexpr char kBackupRoute[] = "backup route, not verifiable";

struct Approval {
    std::string when;  // YYMMDD hh:mm:ss
    std::string request, response;
    std::string why;
    bool closed = false;
};

// The log line names that end or change the standing of the approval before them.
struct Standing {
    const char* line;
    bool closes;
    const char* why;  // when it does not close
};
constexpr Standing kStandings[] = {
    {"eot_ok", true, nullptr},
    {"management_ack_sent", true, nullptr},
    {"ack_sent", false, "in doubt: \"ACK SEND\", then neither EOT nor a management answer logged"},
    {"eot_timeout", false, "in doubt: no EOT, and no end of the management message logged"},
    {"eot_not_set", false, "in doubt: no EOT, and no end of the management message logged"},
    {"eot_short", false, "in doubt: no EOT, and no end of the management message logged"},
    {"eot_error", false, "in doubt: no EOT, and no end of the management message logged"},
    {"ack_send_error", false, "in doubt: \"ACK send err\": an ACK could not be sent"},
    {"management_error", false, "in doubt: \"MANG req send err\": the management message did not get through"},
};

std::string field(const std::string& record, Field f) {
    std::string text = to_utf8(record.data() + f.offset, f.width);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string number(const std::string& record, Field f) {
    return std::to_string(std::strtoll(record.substr(f.offset, f.width).c_str(), nullptr, 10));
}

// The fields in-doubt shows.
constexpr Field kMsgType{ZPOSAPP_FIELD(REQ, MSG_TYPE)}, kTranKind{ZPOSAPP_FIELD(REQ, TRAN_KIND)},
    kPosEcho{ZPOSAPP_FIELD(RESP, POS_ECHO)};

void print_approval(std::FILE* out, const Approval& a) {
    const std::string& rq = a.request;
    const std::string& rs = a.response;
    Layout layout = layout_of(rs.data());
    std::string amount = "-", card = "-", auth = "-", issuer = "-";
    if (layout == Layout::points) {
        amount = number(rq, {ZPOSAPP_FIELD(REQ, PT_AMT)});
        card = mask_card(field(rq, {ZPOSAPP_FIELD(REQ, PT_TRACK2)}));
        auth = field(rs, {ZPOSAPP_FIELD(RESP, PT_AUTH_NO)});
        issuer = field(rs, {ZPOSAPP_FIELD(RESP, PT_COMPANY_CODE)}) + " " +
                 field(rs, {ZPOSAPP_FIELD(RESP, PT_COMPANY_NAME)});
    } else if (layout == Layout::card) {
        amount = number(rq, {ZPOSAPP_FIELD(REQ, TRAN_AMT)});
        card = mask_card(field(rq, {ZPOSAPP_FIELD(REQ, TRACK2)}));
        auth = field(rs, {ZPOSAPP_FIELD(RESP, AUTH_NO)});
        issuer = field(rs, {ZPOSAPP_FIELD(RESP, ISSUER_CODE)}) + " " + field(rs, {ZPOSAPP_FIELD(RESP, ISSUER_NAME)});
    } else {
        amount = number(rq, {ZPOSAPP_FIELD(REQ, CHK_AMOUNT)});
    }
    std::fprintf(out, "%s  %s/%s  amount %s  card %s  auth_no %s  issuer %s  pos_echo [%s]\n  %s\n", a.when.c_str(),
                 field(rq, kMsgType).c_str(), field(rq, kTranKind).c_str(), amount.c_str(), card.c_str(),
                 auth.c_str(), issuer.c_str(), field(rs, kPosEcho).c_str(), a.why.c_str());
}

std::string count(std::size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// The day after YYMMDD, as YYMMDD.
std::string next_day(const std::string& yymmdd) {
    std::tm tm{};
    tm.tm_year = 100 + std::atoi(yymmdd.substr(0, 2).c_str());
    tm.tm_mon = std::atoi(yymmdd.substr(2, 2).c_str()) - 1;
    tm.tm_mday = std::atoi(yymmdd.substr(4, 2).c_str()) + 1;
    std::time_t t = timegm(&tm);
    gmtime_r(&t, &tm);
    char out[16];
    std::strftime(out, sizeof out, "%y%m%d", &tm);
    return out;
}

// The dates of the daily logs from `since` on, oldest first.
std::vector<std::string> log_dates(const fs::path& logs, const std::string& since, bool& readable) {
    std::vector<std::string> dates;
    std::error_code ec;
    fs::directory_iterator it(logs, ec);
    readable = !ec;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() != 17 || name.rfind("AppLog.", 0) != 0 || name.substr(13) != ".txt") continue;
        std::string date = name.substr(7, 6);
        if (date.find_first_not_of("0123456789") == std::string::npos && date >= since) dates.push_back(date);
    }
    std::sort(dates.begin(), dates.end());
    return dates;
}

// Reads the logs in order, keeping the approval that waits for its close.
class Reader {
public:
    std::vector<Approval> approvals;

    void day(const std::string& date, const fs::path& file) {
        if (date != expected_day_) settle();
        expected_day_ = next_day(date);
        std::ifstream in(file, std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            LogEntry e;
            if (parse_log_line(line, e)) take(date + " " + e.time, e.text);
        }
    }

    void settle() {
        if (waiting_) approvals.push_back(*waiting_);
        waiting_.reset();
    }

private:
    void take(const std::string& when, const std::string& text) {
        std::string bytes = all_bytes(text);
        if (bytes.size() == ZPOSAPP_REQUEST_SIZE) {
            if (waiting_) waiting_->why = "in doubt: the next transaction began with no Zelta_Ack logged";
            settle();
            request_ = bytes;
            backup_ = false;
        } else if (bytes.size() == ZPOSAPP_RESPONSE_SIZE) {
            if (bytes.compare(ZPOSAPP_RESP_RESP_CODE_OFFSET, ZPOSAPP_RESP_RESP_CODE_WIDTH, kApproved) != 0) return;
            Approval a{when, request_, bytes, backup_ ? kBackupRoute : kNothingAfter};
            // Zelta_Ack on the backup route sends and logs nothing.
            if (backup_)
                approvals.push_back(a);
            else
                waiting_ = a;
        } else if (const LogLine* line = known_line(text)) {
            std::string_view name = line->name;
            if (name == "backup_answered") backup_ = true;
            if (!waiting_) return;
            for (const Standing& s : kStandings) {
                if (name != s.line) continue;
                if (s.closes) {
                    waiting_->closed = true;
                    settle();
                } else {
                    waiting_->why = s.why;
                }
                return;
            }
        }
    }

    std::string request_ = std::string(ZPOSAPP_REQUEST_SIZE, ' ');
    bool backup_ = false;
    std::optional<Approval> waiting_;
    std::string expected_day_;
};

}  // namespace

int show_in_doubt(std::FILE* out, const std::string& dir, const std::string& since, bool& readable) {
    fs::path logs = fs::path(dir) / "Logs";
    std::vector<std::string> dates = log_dates(logs, since, readable);
    if (!readable) return kNoneInDoubt;
    Reader reader;
    for (const std::string& date : dates) reader.day(date, logs / ("AppLog." + date + ".txt"));
    reader.settle();

    std::fprintf(out, "approvals in %s from %s on (%s)\n", logs.c_str(), since.c_str(),
                 count(dates.size(), "daily log").c_str());
    int closed = 0, in_doubt = 0, backup = 0;
    for (const Approval& a : reader.approvals) {
        if (a.closed) {
            ++closed;
            continue;
        }
        a.why == kBackupRoute ? ++backup : ++in_doubt;
        print_approval(out, a);
    }
    std::fprintf(out, "%s: %d closed, %d in doubt, %d on the backup route (not verifiable)\n",
                 count(reader.approvals.size(), "approval").c_str(), closed, in_doubt, backup);
    return in_doubt ? kSomeInDoubt : kNoneInDoubt;
}

}  // namespace zpos::cli
