#include "agent/journal/export.h"

#include <ctime>

#include "agent/journal/journal.h"

namespace zpos::agent {

namespace {

// A CSV cell: quoted when it holds a comma, a quote or a line break.
std::string cell(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string field(const nlohmann::json& j, const char* name) {
    if (!j.contains(name) || j[name].is_null()) return "";
    return j[name].is_string() ? j[name].get<std::string>() : j[name].dump();
}

}  // namespace

bool export_csv(Journal& journal, const std::string& since, std::FILE* out) {
    std::tm tm{};
    int y, m, d;
    char tail;
    if (since.size() != 10 || std::sscanf(since.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3 || m < 1 || m > 12 ||
        d < 1 || d > 31)
        return false;
    tm.tm_year = y - 1900;
    tm.tm_mon = m - 1;
    tm.tm_mday = d;
    std::int64_t since_ms = static_cast<std::int64_t>(timegm(&tm)) * 1000;
    static const char* const kColumns[] = {"id",        "type",     "state",       "in_doubt_reason", "created_at",
                                           "updated_at", "amount",  "card",        "resp_code",       "auth_no",
                                           "tran_datetime", "message", "issuer_name", "merchant_no"};
    for (std::size_t i = 0; i < std::size(kColumns); ++i) std::fprintf(out, "%s%s", i ? "," : "", kColumns[i]);
    std::fputc('\n', out);
    auto rows = journal.list("", since_ms, 1000000);
    // Oldest first, as a ledger reads.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        nlohmann::json v = public_view(*it);
        for (std::size_t i = 0; i < std::size(kColumns); ++i)
            std::fprintf(out, "%s%s", i ? "," : "", cell(field(v, kColumns[i])).c_str());
        std::fputc('\n', out);
    }
    return true;
}

}  // namespace zpos::agent
