// The dispatch of Zelta_Send as data: which transaction path a request takes
// by its message type and transaction kind, with the route, the echo, the
// message kind and what a row does besides, one row per line of the table
// below, tried in order; the first match wins. Zelta_OKCashbag runs the
// points row.
#pragma once

#include <iterator>
#include <string_view>

#include "support/korean_texts.h"
#include "support/log_lines.h"
#include "support/message_kinds.h"

namespace zpos {

enum class Action {
    cheque,  // the cheque path
    card,    // the card path
    points,  // the points path, message kind by pt_sub
    refuse,  // "NOTX", nothing sent
};

struct DispatchRow {
    int number;                     // the row's place in the table
    const char* msg_type;           // compared over four characters; nullptr: any
    const char* tran_kind;          // compared over two; nullptr: anything else
    bool force_primary;             // the primary host for this call, whatever the file says
    Echo echo;
    Action action;
    int kind;                       // the message kind; none for refusals and points
    // What a row does besides.
    bool returns_not_built;         // a builder refusal (-10) returns at once, the response unwritten
    bool balance_check;             // a tran_amt of 1 is refused with the balance text
    const char* cash_log;           // logged with the port before the path runs
    const char* refusal_text;       // written at `message` with the refusal
};

inline constexpr const char* kAny = nullptr;

// clang-format off
inline constexpr DispatchRow kDispatch[] = {
//   #   msg_type tran_kind primary echo          action          message kind         -10 now balance cash log line           refusal text
    {1,  kAny,    "20",     false,  Echo::none,   Action::cheque, kind::kCheque,       false,  false,  nullptr,                nullptr},
    {2,  "0200",  "10",     false,  Echo::card,   Action::card,   kind::kCardApproval, true,   false,  nullptr,                nullptr},
    {3,  "0420",  "10",     false,  Echo::none,   Action::refuse, kind::kNone,         false,  false,  nullptr,                texts::kTextNoRepeatCancel},
    {4,  "0420",  "30",     false,  Echo::card,   Action::card,   kind::kCardCancel,   true,   false,  nullptr,                nullptr},
    {5,  "0200",  "21",     true,   Echo::card,   Action::card,   kind::kCashApproval, false,  false,  log_lines::kCashAuth,   nullptr},
    {6,  "0420",  "21",     true,   Echo::card,   Action::card,   kind::kCashCancel,   false,  false,  log_lines::kCashCancel, nullptr},
    {7,  "0200",  "70",     true,   Echo::card,   Action::card,   kind::k70Approval,   false,  false,  nullptr,                nullptr},
    {8,  "0420",  "70",     true,   Echo::card,   Action::card,   kind::k70Cancel,     false,  false,  nullptr,                nullptr},
    {9,  "0200",  "90",     true,   Echo::card,   Action::card,   kind::k90Approval,   false,  false,  nullptr,                nullptr},
    {10, "0420",  "90",     true,   Echo::card,   Action::card,   kind::k90Cancel,     false,  false,  nullptr,                nullptr},
    {11, "0200",  "KT",     false,  Echo::card,   Action::card,   kind::kCardApproval, false,  true,   nullptr,                nullptr},
    {12, "0420",  "KT",     false,  Echo::card,   Action::card,   kind::kCardCancel,   false,  false,  nullptr,                nullptr},
    {13, kAny,    "40",     true,   Echo::points, Action::points, kind::kNone,         false,  false,  nullptr,                nullptr},
    {14, "0200",  "F1",     false,  Echo::card,   Action::card,   kind::kF1Approval,   false,  false,  nullptr,                nullptr},
    {15, "0420",  "F2",     false,  Echo::card,   Action::card,   kind::kF2Cancel,     false,  false,  nullptr,                nullptr},
    {16, kAny,    nullptr,  false,  Echo::none,   Action::refuse, kind::kNone,         false,  false,  nullptr,                nullptr},
};
// clang-format on

inline constexpr const DispatchRow& kPointsRow = kDispatch[12];

// The first row that matches; the last one matches anything.
constexpr const DispatchRow& dispatch_row(std::string_view msg_type, std::string_view tran_kind) {
    for (const DispatchRow& row : kDispatch) {
        if (row.msg_type && msg_type != row.msg_type) continue;
        if (row.tran_kind && tran_kind != row.tran_kind) continue;
        return row;
    }
    return kDispatch[std::size(kDispatch) - 1];
}

// The points kind of a pt_sub; kind::kNone for an operation the host does not know.
constexpr int points_kind(std::string_view pt_sub) {
    for (const KindRow& row : kKinds)
        if (row.points_sub && pt_sub == row.points_sub) return row.kind;
    return kind::kNone;
}

// The two tables agree: every row that names a kind writes that kind's echo.
// (Indexes, so that it stays a constant expression in the sanitizer builds.)
constexpr bool echoes_agree() {
    for (std::size_t i = 0; i < std::size(kDispatch); ++i) {
        const int kind = kDispatch[i].kind;
        if (kind != kind::kNone && kind_of(kind).echo != kDispatch[i].echo) return false;
    }
    return kPointsRow.action == Action::points && kPointsRow.echo == Echo::points;
}
static_assert(echoes_agree());

}  // namespace zpos
