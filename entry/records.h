// The two fixed-layout records exchanged with the POS: the 240-byte request
// record and the 450-byte response record. Every offset and width lives here;
// callers name a field, never a number. Layouts after the common head depend on
// the transaction (card, cheque, points), so several names share an offset.
#pragma once

#include <cstddef>

namespace zpos {

struct Field {
    std::size_t offset;
    std::size_t width;
};

namespace req {
inline constexpr std::size_t kSize = 240;

// Common head.
inline constexpr Field rec_len{0, 4};
inline constexpr Field pos_echo{4, 23};
inline constexpr Field msg_type{27, 4};
inline constexpr std::size_t kMsgTypeSelector = 28;  // '2' or '4'
inline constexpr Field tran_kind{31, 2};
inline constexpr Field kind_echo{33, 2};
inline constexpr Field term_id{45, 10};

// Card layout.
inline constexpr Field entry_mode{55, 1};
inline constexpr Field card_data{56, 39};
inline constexpr Field track2{58, 37};
inline constexpr Field install_months{95, 2};
inline constexpr Field amt_extra1{97, 9};
inline constexpr Field amt_extra2{106, 9};
inline constexpr Field tran_amt{115, 9};
inline constexpr Field org_auth_no{124, 8};
inline constexpr Field org_auth_date{132, 6};
inline constexpr Field ext_tf{160, 10};
inline constexpr Field ext_pa{170, 3};
inline constexpr Field cvm_data{173, 16};
inline constexpr char kKeyedEntry = '@';

// Cheque layout: four fields sent as they stand.
inline constexpr Field chk_code{58, 2};
inline constexpr Field chk_number{60, 20};
inline constexpr Field chk_number_tail{74, 6};  // last six of chk_number
inline constexpr Field chk_account{80, 13};
inline constexpr Field chk_amount{93, 9};

// Points layout.
inline constexpr Field pt_media{55, 2};
inline constexpr Field pt_sub{57, 2};
inline constexpr Field pt_card_data{74, 39};
inline constexpr Field pt_track2{76, 37};
inline constexpr Field pt_amt{114, 9};
inline constexpr Field pt_org_auth_no{139, 12};
inline constexpr Field pt_org_auth_date{151, 6};
}  // namespace req

namespace resp {
inline constexpr std::size_t kSize = 450;

// Common head, written by the entry point before the transaction runs.
inline constexpr Field rec_len{0, 4};
inline constexpr Field pos_echo{4, 23};
inline constexpr Field msg_type{27, 4};
inline constexpr Field tran_kind{31, 2};
inline constexpr Field kind_echo{33, 2};
inline constexpr Field head_blank{35, 10};
inline constexpr Field term_id{45, 10};
inline constexpr Field resp_code{55, 4};

// Card layout.
inline constexpr Field entry_mode{59, 1};
inline constexpr Field card_data{60, 39};
inline constexpr Field install_months{99, 2};
inline constexpr Field amt_extra1{101, 9};
inline constexpr Field amt_extra2{110, 9};
inline constexpr Field tran_amt{119, 9};
inline constexpr Field issuer_code{167, 2};
inline constexpr Field issuer_name{169, 20};
inline constexpr Field acquirer_code{189, 2};
inline constexpr Field acquirer_name{191, 20};
inline constexpr Field merchant_no{211, 15};
inline constexpr Field tran_datetime{226, 12};
inline constexpr Field auth_no{238, 12};
inline constexpr Field card_class{262, 1};
inline constexpr Field message{263, 40};
inline constexpr Field info_line1{303, 24};
inline constexpr Field info_line2{327, 24};
inline constexpr Field info_line3{351, 24};
inline constexpr Field value1{375, 9};
inline constexpr Field value2{384, 9};
inline constexpr Field value3{393, 9};
inline constexpr Field sign_flag{402, 4};

// Cheque layout.
inline constexpr Field chk_blank{59, 8};
inline constexpr Field chk_message{67, 34};

// Points layout.
inline constexpr Field pt_media{59, 2};
inline constexpr Field pt_sub{61, 2};
inline constexpr Field pt_date{63, 8};
inline constexpr Field pt_time{71, 6};
inline constexpr Field pt_card_data{78, 39};
inline constexpr Field pt_amt{118, 9};
inline constexpr Field pt_auth_no{143, 12};
inline constexpr Field pt_company_code{158, 2};
inline constexpr Field pt_company_name{160, 20};
inline constexpr Field pt_merchant_no{180, 15};
inline constexpr Field pt_value1{195, 9};
inline constexpr Field pt_value2{204, 9};
inline constexpr Field pt_value3{213, 9};
inline constexpr Field pt_message{222, 40};
inline constexpr Field pt_line1{262, 24};
inline constexpr Field pt_line2{286, 24};
}  // namespace resp

// resp_code values.
inline constexpr char kRespApproved[] = "0000";
inline constexpr char kRespDeclined[] = "8324";
inline constexpr char kRespChequeInvalid[] = "1111";
inline constexpr char kRespTimeout[] = "Time";
inline constexpr char kRespRefused[] = "NOTX";
inline constexpr char kRespNoConnection[] = "COMM";

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
