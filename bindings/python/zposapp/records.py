"""The two records' fields, the values of resp_code and each export's results.

The generated blocks are written by tables/generate.py in the ZPosApp sources
from the same tables as the library's own headers; they are not edited here.
"""
import enum
from typing import NamedTuple

# BEGIN GENERATED version: tables/generate.py
__version__ = "1.0.0"
# END GENERATED


class Field(NamedTuple):
    """A field of a record: its layout (head, card, cheque, points), its offset
    (0-based) and its width in bytes."""

    layout: str
    offset: int
    width: int


class Result(enum.IntEnum):
    """An export's result with a short text: `SendResult.REPLIED.text`."""

    def __new__(cls, value, text):
        member = int.__new__(cls, value)
        member._value_ = value
        member.text = text
        return member


# BEGIN GENERATED record fields: tables/generate.py
REQUEST_SIZE = 240
RESPONSE_SIZE = 450

REQUEST_FIELDS = {
    "rec_len": Field("head", 0, 4),  # four characters, not read
    "pos_echo": Field("head", 4, 23),  # free for the POS; copied to the response
    "msg_type": Field("head", 27, 4),  # 0200 approval or inquiry, 0420 cancellation; its second character (2 or 4) picks the response type
    "tran_kind": Field("head", 31, 2),  # transaction kind (see the transaction kinds)
    "kind_echo": Field("head", 33, 2),  # not read; copied to the response
    "term_id": Field("head", 45, 10),  # terminal id
    "entry_mode": Field("card", 55, 1),  # @ card number keyed in, anything else card read
    "card_data": Field("card", 56, 39),  # card data area, copied whole to the response (its first two bytes are not read)
    "track2": Field("card", 58, 37),  # inside card_data: track-2 image; keyed: card number, =, expiry YYMM; cash: the identity number
    "install_months": Field("card", 95, 2),  # instalment months, two digits
    "amt_extra1": Field("card", 97, 9),  # amount included in tran_amt and sent on its own
    "amt_extra2": Field("card", 106, 9),  # amount included in tran_amt and sent on its own
    "tran_amt": Field("card", 115, 9),  # total amount; card and cash requests carry tran_amt - amt_extra1 - amt_extra2
    "org_auth_no": Field("card", 124, 8),  # cancellations: approval number being cancelled
    "org_auth_date": Field("card", 132, 6),  # cancellations: date being cancelled, YYMMDD
    "ext_tf": Field("card", 160, 10),  # extra block, sent when it begins with TF
    "ext_pa": Field("card", 170, 3),  # extra block, sent when its first byte is a letter
    "cvm_data": Field("card", 173, 16),  # F1/F2: a first byte other than blank or zero asks for a signature at any amount
    "chk_code": Field("cheque", 58, 2),  # sent as it stands
    "chk_number": Field("cheque", 60, 20),  # sent as it stands
    "chk_number_tail": Field("cheque", 74, 6),  # last six of chk_number, also sent on their own
    "chk_account": Field("cheque", 80, 13),  # sent as it stands
    "chk_amount": Field("cheque", 93, 9),  # cheque amount, nine digits
    "pt_media": Field("points", 55, 2),  # points medium: 01, 02, 03, 04
    "pt_sub": Field("points", 57, 2),  # points operation: 01, 02, 03, 11, 12 (11, 12 cancel)
    "pt_card_data": Field("points", 74, 39),  # points card data area, copied whole to the response
    "pt_track2": Field("points", 76, 37),  # inside pt_card_data: the points card track-2 image
    "pt_amt": Field("points", 114, 9),  # amount
    "pt_org_auth_no": Field("points", 139, 12),  # 11 and 12: approval number being cancelled
    "pt_org_auth_date": Field("points", 151, 6),  # 11 and 12: date being cancelled, YYMMDD
}

RESPONSE_FIELDS = {
    "rec_len": Field("head", 0, 4),  # 0450
    "pos_echo": Field("head", 4, 23),  # the request's pos_echo
    "msg_type": Field("head", 27, 4),  # 0210 for a request type with 2 as its second character, 0430 for 4
    "tran_kind": Field("head", 31, 2),  # from the request
    "kind_echo": Field("head", 33, 2),  # from the request
    "head_blank": Field("head", 35, 10),  # ten blanks
    "term_id": Field("head", 45, 10),  # from the request
    "resp_code": Field("head", 55, 4),  # result code (see the response codes)
    "entry_mode": Field("card", 59, 1),  # from the request
    "card_data": Field("card", 60, 39),  # the request's card_data
    "install_months": Field("card", 99, 2),  # from the request
    "amt_extra1": Field("card", 101, 9),  # from the request
    "amt_extra2": Field("card", 110, 9),  # from the request
    "tran_amt": Field("card", 119, 9),  # from the request
    "issuer_code": Field("card", 167, 2),  # card issuer code (two characters)
    "issuer_name": Field("card", 169, 20),  # card issuer name
    "acquirer_code": Field("card", 189, 2),  # acquirer code
    "acquirer_name": Field("card", 191, 20),  # acquirer name
    "merchant_no": Field("card", 211, 15),  # merchant number at the acquirer
    "tran_datetime": Field("card", 226, 12),  # host date and time, YYMMDDhhmmss
    "auth_no": Field("card", 238, 12),  # approval number (approvals only)
    "card_class": Field("card", 262, 1),  # 1 for a card the host marks D
    "message": Field("card", 263, 40),  # host message; a decline shows "line 1, line 2"; the library's refusal texts 망상취소불가 and 잔액조회불가 go here too
    "info_line1": Field("card", 303, 24),  # display line from the host
    "info_line2": Field("card", 327, 24),  # display line
    "info_line3": Field("card", 351, 24),  # display line
    "value1": Field("card", 375, 9),  # amount-type value from the host
    "value2": Field("card", 384, 9),  # amount-type value
    "value3": Field("card", 393, 9),  # amount-type value
    "sign_flag": Field("card", 402, 4),  # YES when a signature was captured, NONE otherwise
    "chk_blank": Field("cheque", 59, 8),  # eight blanks
    "chk_message": Field("cheque", 67, 34),  # 정상수표 for a valid cheque, else the host's two message lines "line 1, line 2"
    "pt_media": Field("points", 59, 2),  # from the request
    "pt_sub": Field("points", 61, 2),  # from the request
    "pt_date": Field("points", 63, 8),  # host date YYYYMMDD
    "pt_time": Field("points", 71, 6),  # host time hhmmss
    "pt_card_data": Field("points", 78, 39),  # the request's pt_card_data
    "pt_amt": Field("points", 118, 9),  # the request's pt_amt
    "pt_auth_no": Field("points", 143, 12),  # approval number (approvals only)
    "pt_company_code": Field("points", 158, 2),  # points company code
    "pt_company_name": Field("points", 160, 20),  # points company name
    "pt_merchant_no": Field("points", 180, 15),  # merchant number
    "pt_value1": Field("points", 195, 9),  # points value from the host
    "pt_value2": Field("points", 204, 9),  # points value
    "pt_value3": Field("points", 213, 9),  # points value
    "pt_message": Field("points", 222, 40),  # host message
    "pt_line1": Field("points", 262, 24),  # display line
    "pt_line2": Field("points", 286, 24),  # display line (declined replies)
}
# END GENERATED


# BEGIN GENERATED response codes and results: tables/generate.py
class RespCode(str, enum.Enum):
    """The values of resp_code."""

    APPROVED = "0000"  # approved; cheque: a valid cheque
    DECLINED = "8324"  # declined by the host; the reason is in message
    CHEQUE_INVALID = "1111"  # cheque inquiry: not a valid cheque
    TIMEOUT = "Time"  # no reply from the host in time
    REFUSED = "NOTX"  # refused by the library, nothing sent
    NO_CONNECTION = "COMM"  # no connection to the host
    NONE = "    "  # no reply for another reason (four blanks); the function result tells why


class SendResult(Result):
    """Results of Zelta_Send and Zelta_OKCashbag, each with a short text."""

    REPLIED = 1, "the host replied; resp_code tells approved or declined"
    FAILED = -1, "refused by the library (NOTX), no reply in time (Time) or a broken reply"
    SHORT_FRAME = -2, "the host answered with a short frame"
    NOT_READABLE = -3, "the link was not readable"
    NO_ENQ = -5, "no ENQ from the host, or the request was not sent"
    NO_CONNECTION = -6, "no connection to the host (COMM)"
    BACKUP_UNUSABLE = -8, "the backup library is unusable"
    BACKUP_NOT_BUILT = -9, "the backup request could not be built"
    NOT_BUILT = -10, "the request could not be built (amount over the limit, or the pad refused)"


class AckResult(Result):
    """Results of Zelta_Ack, each with a short text."""

    CLOSED = 1, "the host closed the transaction (or the backup route is in use)"
    NOT_SENT = -5, "the ACK was not sent (no open link)"
    MANAGEMENT_FAILED = -12, "no close from the host, and the management message failed"
    MANAGEMENT_SENT = -13, "no close from the host; the management message reported the transaction"


class DownloadResult(Result):
    """Results of Zelta_download, each with a short text."""

    NO_ANSWER = -1, "no answer in time"
    NOT_SENT = -4, "the request was not sent"
    NO_CONNECTION = -5, "no connection to the server"
# END GENERATED
