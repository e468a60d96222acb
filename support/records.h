// The two fixed-layout records exchanged with the POS: the 240-byte request
// record and the 450-byte response record, every field with its offset and
// width, and the values of resp_code. Callers name a field, never a number.
// The generated blocks come from tables/record_fields.tsv and
// tables/resp_codes.tsv (tables/generate.py); edit the tables, not the blocks.
#pragma once

#include <cstddef>

namespace zpos {

struct Field {
    std::size_t offset;
    std::size_t width;
};

// BEGIN GENERATED record fields: tables/generate.py
namespace req {
inline constexpr std::size_t kSize = 240;

// Common head.
// four characters, not read
inline constexpr Field rec_len{0, 4};
// free for the POS; copied to the response
inline constexpr Field pos_echo{4, 23};
// 0200 approval or inquiry, 0420 cancellation; its second character (2 or 4) picks the response type
inline constexpr Field msg_type{27, 4};
// transaction kind (see the transaction kinds)
inline constexpr Field tran_kind{31, 2};
// not read; copied to the response
inline constexpr Field kind_echo{33, 2};
// terminal id
inline constexpr Field term_id{45, 10};

// Card layout.
// @ card number keyed in, anything else card read
inline constexpr Field entry_mode{55, 1};
// card data area, copied whole to the response (its first two bytes are not read)
inline constexpr Field card_data{56, 39};
// inside card_data: track-2 image; keyed: card number, =, expiry YYMM; cash: the identity number
inline constexpr Field track2{58, 37};
// instalment months, two digits
inline constexpr Field install_months{95, 2};
// amount included in tran_amt and sent on its own
inline constexpr Field amt_extra1{97, 9};
// amount included in tran_amt and sent on its own
inline constexpr Field amt_extra2{106, 9};
// total amount; card and cash requests carry tran_amt - amt_extra1 - amt_extra2
inline constexpr Field tran_amt{115, 9};
// cancellations: approval number being cancelled
inline constexpr Field org_auth_no{124, 8};
// cancellations: date being cancelled, YYMMDD
inline constexpr Field org_auth_date{132, 6};
// extra block, sent when it begins with TF
inline constexpr Field ext_tf{160, 10};
// extra block, sent when its first byte is a letter
inline constexpr Field ext_pa{170, 3};
// F1/F2: a first byte other than blank or zero asks for a signature at any amount
inline constexpr Field cvm_data{173, 16};

// Cheque layout.
// sent as it stands
inline constexpr Field chk_code{58, 2};
// sent as it stands
inline constexpr Field chk_number{60, 20};
// last six of chk_number, also sent on their own
inline constexpr Field chk_number_tail{74, 6};
// sent as it stands
inline constexpr Field chk_account{80, 13};
// cheque amount, nine digits
inline constexpr Field chk_amount{93, 9};

// Points layout.
// points medium: 01, 02, 03, 04
inline constexpr Field pt_media{55, 2};
// points operation: 01, 02, 03, 11, 12 (11, 12 cancel)
inline constexpr Field pt_sub{57, 2};
// points card data area, copied whole to the response
inline constexpr Field pt_card_data{74, 39};
// inside pt_card_data: the points card track-2 image
inline constexpr Field pt_track2{76, 37};
// amount
inline constexpr Field pt_amt{114, 9};
// 11 and 12: approval number being cancelled
inline constexpr Field pt_org_auth_no{139, 12};
// 11 and 12: date being cancelled, YYMMDD
inline constexpr Field pt_org_auth_date{151, 6};
}  // namespace req

namespace resp {
inline constexpr std::size_t kSize = 450;

// Common head.
// 0450
inline constexpr Field rec_len{0, 4};
// the request's pos_echo
inline constexpr Field pos_echo{4, 23};
// 0210 for a request type with 2 as its second character, 0430 for 4
inline constexpr Field msg_type{27, 4};
// from the request
inline constexpr Field tran_kind{31, 2};
// from the request
inline constexpr Field kind_echo{33, 2};
// ten blanks
inline constexpr Field head_blank{35, 10};
// from the request
inline constexpr Field term_id{45, 10};
// result code (see the response codes)
inline constexpr Field resp_code{55, 4};

// Card layout.
// from the request
inline constexpr Field entry_mode{59, 1};
// the request's card_data
inline constexpr Field card_data{60, 39};
// from the request
inline constexpr Field install_months{99, 2};
// from the request
inline constexpr Field amt_extra1{101, 9};
// from the request
inline constexpr Field amt_extra2{110, 9};
// from the request
inline constexpr Field tran_amt{119, 9};
// card issuer code (two characters)
inline constexpr Field issuer_code{167, 2};
// card issuer name
inline constexpr Field issuer_name{169, 20};
// acquirer code
inline constexpr Field acquirer_code{189, 2};
// acquirer name
inline constexpr Field acquirer_name{191, 20};
// merchant number at the acquirer
inline constexpr Field merchant_no{211, 15};
// host date and time, YYMMDDhhmmss
inline constexpr Field tran_datetime{226, 12};
// approval number (approvals only)
inline constexpr Field auth_no{238, 12};
// 1 for a card the host marks D
inline constexpr Field card_class{262, 1};
// host message; a decline shows "line 1, line 2"; the library's refusal texts 망상취소불가 and 잔액조회불가 go here too
inline constexpr Field message{263, 40};
// display line from the host
inline constexpr Field info_line1{303, 24};
// display line
inline constexpr Field info_line2{327, 24};
// display line
inline constexpr Field info_line3{351, 24};
// amount-type value from the host
inline constexpr Field value1{375, 9};
// amount-type value
inline constexpr Field value2{384, 9};
// amount-type value
inline constexpr Field value3{393, 9};
// YES when a signature was captured, NONE otherwise
inline constexpr Field sign_flag{402, 4};

// Cheque layout.
// eight blanks
inline constexpr Field chk_blank{59, 8};
// 정상수표 for a valid cheque, else the host's two message lines "line 1, line 2"
inline constexpr Field chk_message{67, 34};

// Points layout.
// from the request
inline constexpr Field pt_media{59, 2};
// from the request
inline constexpr Field pt_sub{61, 2};
// host date YYYYMMDD
inline constexpr Field pt_date{63, 8};
// host time hhmmss
inline constexpr Field pt_time{71, 6};
// the request's pt_card_data
inline constexpr Field pt_card_data{78, 39};
// the request's pt_amt
inline constexpr Field pt_amt{118, 9};
// approval number (approvals only)
inline constexpr Field pt_auth_no{143, 12};
// points company code
inline constexpr Field pt_company_code{158, 2};
// points company name
inline constexpr Field pt_company_name{160, 20};
// merchant number
inline constexpr Field pt_merchant_no{180, 15};
// points value from the host
inline constexpr Field pt_value1{195, 9};
// points value
inline constexpr Field pt_value2{204, 9};
// points value
inline constexpr Field pt_value3{213, 9};
// host message
inline constexpr Field pt_message{222, 40};
// display line
inline constexpr Field pt_line1{262, 24};
// display line (declined replies)
inline constexpr Field pt_line2{286, 24};
}  // namespace resp
// END GENERATED

namespace req {
// The message type's second character, '2' or '4', picks the response type.
inline constexpr std::size_t kMsgTypeSelector = msg_type.offset + 1;
// entry_mode of a card number keyed in.
inline constexpr char kKeyedEntry = '@';
}  // namespace req

// resp_code values.
// BEGIN GENERATED response codes: tables/generate.py
// approved; cheque: a valid cheque
inline constexpr char kRespApproved[] = "0000";
// declined by the host; the reason is in message
inline constexpr char kRespDeclined[] = "8324";
// cheque inquiry: not a valid cheque
inline constexpr char kRespChequeInvalid[] = "1111";
// no reply from the host in time
inline constexpr char kRespTimeout[] = "Time";
// refused by the library, nothing sent
inline constexpr char kRespRefused[] = "NOTX";
// no connection to the host
inline constexpr char kRespNoConnection[] = "COMM";
// no reply for another reason (four blanks); the function result tells why
inline constexpr char kRespNone[] = "    ";
// END GENERATED

}  // namespace zpos
