// Message kinds: the integer the dispatch derives from msg_type and tran_kind
// and passes to the request builders, the host exchange and the reply parser.
#pragma once

namespace zpos {

// Message kinds chosen by the dispatch and passed to builders, the exchange
// and the reply parser.
namespace kind {
inline constexpr int kManagement = 0;
inline constexpr int kCheque = 1;
inline constexpr int kCardApproval = 2;
inline constexpr int kCardCancel = 4;
inline constexpr int kCashApproval = 5;
inline constexpr int kCashCancel = 6;
inline constexpr int k70Approval = 7;
inline constexpr int k70Cancel = 8;
inline constexpr int k90Approval = 9;
inline constexpr int k90Cancel = 10;
inline constexpr int kF1Approval = 11;
inline constexpr int kF2Cancel = 12;
inline constexpr int kPointsFirst = 60;
inline constexpr int kPointsLast = 64;

inline constexpr bool is_points(int k) { return k >= kPointsFirst && k <= kPointsLast; }
// Kinds whose amount is the net of the two extra amounts.
inline constexpr bool is_payment(int k) {
    return k == 2 || k == 4 || k == 5 || k == 6 || k == 11 || k == 12;
}
// Kinds that count host failures and may use the backup route.
inline constexpr bool is_credit(int k) { return k == kCardApproval || k == kCardCancel; }
}  // namespace kind

}  // namespace zpos
