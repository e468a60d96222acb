// Message kinds as data: the integer the dispatch derives from msg_type and
// tran_kind and passes to the request builders, the host exchange and the
// reply parser, with one row per kind saying what the kind is and does.
// Callers ask the row (kind_row) rather than test numbers.
#pragma once

#include <cstddef>
#include <iterator>

#include "support/korean_texts.h"

namespace zpos {

namespace kind {
inline constexpr int kNone = -1;  // no message kind: a refusal, or a points operation the host does not know
inline constexpr int kManagement = 0;
inline constexpr int kCheque = 1;
// Approvals and their cancellations (points kinds, 60 to 64, come from pt_sub).
inline constexpr int kCardApproval = 2, kCardCancel = 4;
inline constexpr int kCashApproval = 5, kCashCancel = 6;
inline constexpr int k70Approval = 7, k70Cancel = 8;
inline constexpr int k90Approval = 9, k90Cancel = 10;
inline constexpr int kF1Approval = 11, kF2Cancel = 12;
inline constexpr int kPointsFirst = 60;  // the first points kind, pt_sub 01
}  // namespace kind

// What a kind is: it decides the request's field forms and the reply's fill.
enum class Family {
    management,  // the management message after a missing EOT
    cheque,      // cheque inquiry
    card,        // card approval and cancellation
    cash,        // cash approval and cancellation (an identity number for a card)
    cvm,         // F1 and F2: the card's own verification data
    kind70,      // tran_kind "70"
    kind90,      // tran_kind "90"
    points,      // OK Cashbag points
};

// Which value fields of the response a reply of the kind fills.
enum class Values {
    none,
    card,    // value1 to value3 from fields 18, 17, 19 when positive
    kind70,  // value1 " %c%07d", value2 and value3 nine digits
    kind90,  // value1 to value3 nine digits, from the texts and field 17
    points,  // pt_value1 to pt_value3 nine digits
};

// The echo of the request the entry point writes into the response.
enum class Echo { none, card, points };

struct KindRow {
    int kind;
    Family family;
    bool cancel;           // cancels an earlier approval (its number and date go out)
    bool counts_failures;  // host failures run the failure count step
    bool backup_route;     // goes through the backup route while it is in force
    bool pin_step;         // asks the pad for a PIN (COM_PORT PIN "YES")
    Values values;
    const char* code_swiped;     // transaction code of the request header, card read
    const char* code_keyed;      // the same with the card number keyed in
    const char* code_balance;    // a tran_amt of 1 (a balance inquiry), where the kind has one
    Echo echo;
    const char* points_sub;      // pt_sub that selects the points kind
    const char* decline_line1;   // pt_line1 of a declined reply, instead of field 20
};

// clang-format off
inline constexpr KindRow kKinds[] = {
//   kind  family              cancel fails  backup pin    values           swiped keyed  balance  echo          pt_sub decline
    {0,    Family::management, false, false, false, false, Values::none,    "",    "",    nullptr, Echo::none,   nullptr, nullptr},
    {1,    Family::cheque,     false, false, false, false, Values::none,    "40",  "40",  nullptr, Echo::none,   nullptr, nullptr},
    {2,    Family::card,       false, true,  true,  false, Values::card,    "10",  "C0",  nullptr, Echo::card,   nullptr, nullptr},
    {4,    Family::card,       true,  true,  true,  false, Values::card,    "11",  "C1",  nullptr, Echo::card,   nullptr, nullptr},
    {5,    Family::cash,       false, false, false, false, Values::none,    "41",  "D1",  nullptr, Echo::card,   nullptr, nullptr},
    {6,    Family::cash,       true,  false, false, false, Values::none,    "42",  "D2",  nullptr, Echo::card,   nullptr, nullptr},
    {7,    Family::kind70,     false, false, false, false, Values::kind70,  "66",  "66",  "64",    Echo::card,   nullptr, nullptr},
    {8,    Family::kind70,     true,  false, false, false, Values::kind70,  "67",  "67",  nullptr, Echo::card,   nullptr, nullptr},
    {9,    Family::kind90,     false, false, false, false, Values::kind90,  "62",  "62",  "64",    Echo::card,   nullptr, nullptr},
    {10,   Family::kind90,     true,  false, false, false, Values::kind90,  "63",  "63",  nullptr, Echo::card,   nullptr, nullptr},
    {11,   Family::cvm,        false, false, false, true,  Values::card,    "E1",  "E1",  nullptr, Echo::card,   nullptr, nullptr},
    {12,   Family::cvm,        true,  false, false, true,  Values::card,    "E2",  "E2",  nullptr, Echo::card,   nullptr, nullptr},
    {60,   Family::points,     false, false, false, false, Values::points,  "60",  "60",  nullptr, Echo::points, "01",    nullptr},
    {61,   Family::points,     true,  false, false, false, Values::points,  "61",  "61",  nullptr, Echo::points, "11",    nullptr},
    {62,   Family::points,     false, false, false, true,  Values::points,  "62",  "62",  nullptr, Echo::points, "02",    nullptr},
    {63,   Family::points,     true,  false, false, true,  Values::points,  "63",  "63",  nullptr, Echo::points, "12",    nullptr},
    {64,   Family::points,     false, false, false, false, Values::points,  "64",  "64",  nullptr, Echo::points, "03",    texts::kTextMemberInfoMissing},
};
// clang-format on

// What a number that is no message kind gets: nothing of its own is written
// or filled for it.
inline constexpr KindRow kNoKindRow{kind::kNone, Family::management, false, false, false, false, Values::none, "", "",
                                    nullptr, Echo::none, nullptr, nullptr};

// The row of `kind`, kNoKindRow for a number that is none. (Indexes rather
// than pointers: the sanitizer builds' null checks keep a pointer out of a
// constant expression.)
constexpr const KindRow& kind_of(int kind) {
    for (std::size_t i = 0; i < std::size(kKinds); ++i)
        if (kKinds[i].kind == kind) return kKinds[i];
    return kNoKindRow;
}

// The payment kinds: their amount is the total less the two extra amounts,
// limited, and it decides whether a signature is asked for.
constexpr bool is_payment(Family f) { return f == Family::card || f == Family::cash || f == Family::cvm; }

}  // namespace zpos
