"""Typed request records. Each value is checked as it is set, so a request that
exists is one the library can take: an amount that is not digits or does not
fit, or a text longer than its field, raises FieldError and nothing is sent.
"""
import enum

from .records import REQUEST_FIELDS, REQUEST_SIZE

DEFAULT_TERM_ID = "1200000001"


# The fields that hold a card number or track image: a refusal or a repr shows
# them masked, never whole.
CARD_FIELDS = {"card_data": "card_data", "track2": "card_data", "pt_card_data": "pt_card_data",
               "pt_track2": "pt_card_data"}   # field: the card data area that holds it


class FieldError(ValueError):
    """A value the library cannot take as it is: one that does not fit its
    field of the request record, or an address, port, request or download
    text that the library would cut or misread. Raised before any call."""


def mask_card(text):
    """A card number or track image as a log may show it: of its first run of
    digits (the card number) the first six and last four stay (of ten digits
    or fewer, the first six); every other character after them but blanks
    shows as '*'."""
    digits = "0123456789"
    begin = next((i for i, c in enumerate(text) if c in digits), len(text))
    end = next((i for i in range(begin, len(text)) if text[i] not in digits), len(text))
    tail = end - 4 if end - begin > 10 else end

    def shown(i, c):
        return i < begin + 6 or tail <= i < end or c == " "

    return "".join(c if shown(i, c) else "*" for i, c in enumerate(text))


class PointsOperation(str, enum.Enum):
    """pt_sub of a points request; the two cancellations carry the approval
    number and date of the operation they cancel."""

    EARN = "01"
    USE = "02"
    INQUIRY = "03"
    EARN_CANCEL = "11"
    USE_CANCEL = "12"

    @property
    def cancels(self):
        return self in (PointsOperation.EARN_CANCEL, PointsOperation.USE_CANCEL)


class Request:
    """A 240-byte request record: blanks, then the head, then fields set by
    name. `bytes(request)` is the record as the library takes it. Kinds without
    a class of their own ("70", "90") are built with this class directly."""

    points = False

    def __init__(self, msg_type, tran_kind, *, term_id=DEFAULT_TERM_ID, pos_echo=""):
        self._record = bytearray(b" " * REQUEST_SIZE)
        self._card_areas = set()
        self.set_number("rec_len", REQUEST_SIZE)
        for name, value in (("msg_type", msg_type), ("tran_kind", tran_kind)):
            if len(value) != REQUEST_FIELDS[name].width:
                raise FieldError("%s: %r is not %d characters" % (name, value, REQUEST_FIELDS[name].width))
            self.set_text(name, value)
        self.set_text("term_id", term_id)
        self.set_text("pos_echo", pos_echo)

    def __bytes__(self):
        return bytes(self._record)

    def __repr__(self):
        record = bytearray(self._record)
        for name in self._card_areas:
            # Masked byte by byte: Korean text elsewhere in the record must not shift the area.
            field = REQUEST_FIELDS[name]
            area = slice(field.offset, field.offset + field.width)
            record[area] = mask_card(record[area].decode("latin-1")).encode("latin-1")
        return "<%s %s>" % (type(self).__name__, bytes(record).decode("cp949", "replace").rstrip())

    def set_text(self, name, text):
        """The text (CP949), then blanks to the field's width."""
        field = REQUEST_FIELDS[name]
        card = name in CARD_FIELDS
        if not isinstance(text, str):
            raise FieldError("%s: %s is not text" % (name, "a " + type(text).__name__ if card else repr(text)))
        shown = repr(mask_card(text) if card else text)
        try:
            data = text.encode("cp949")
        except UnicodeEncodeError:
            raise FieldError("%s: %s has characters outside CP949" % (name, shown)) from None
        if len(data) > field.width or b"\0" in data:
            raise FieldError("%s: %s does not fit %d bytes" % (name, shown, field.width))
        self._record[field.offset:field.offset + field.width] = data.ljust(field.width)
        if card:
            self._card_areas.add(CARD_FIELDS[name])
        return self

    def set_number(self, name, value):
        """A whole number from 0 up, as digits right-aligned with zeros in front;
        an int, or a text of digits only ("00000abcd" is refused)."""
        field = REQUEST_FIELDS[name]
        if isinstance(value, bool) or not isinstance(value, (int, str)):
            raise FieldError("%s: %r is not a number" % (name, value))
        if isinstance(value, int) and not 0 <= value < 10 ** field.width:
            # Checked before it becomes digits: Python refuses to write an int
            # of more than 4,300 digits, and a repr of one fails the same way.
            raise FieldError("%s: the number is not from 0 to %s" % (name, "9" * field.width))
        digits = str(value) if isinstance(value, int) else value
        if not (digits.isascii() and digits.isdigit()):
            raise FieldError("%s: %r is not a number of digits" % (name, value))
        if len(digits) > field.width:
            raise FieldError("%s: %r does not fit %d digits" % (name, value, field.width))
        self._record[field.offset:field.offset + field.width] = digits.rjust(field.width, "0").encode()
        return self

    def set_original(self, cancels, auth_no, auth_date, no_field="org_auth_no", date_field="org_auth_date"):
        """The approval number and date (YYMMDD) of what a cancellation
        cancels: both for a cancellation, neither for anything else."""
        if (auth_no is not None, auth_date is not None) != (cancels, cancels):
            raise FieldError("%s and %s go with a cancellation, and only there" % (no_field, date_field))
        if cancels:
            self.set_text(no_field, auth_no)
            self.set_number(date_field, auth_date)
        return self

    def field(self, name):
        field = REQUEST_FIELDS[name]
        return bytes(self._record[field.offset:field.offset + field.width]).decode("cp949", "replace")


class _CardKind(Request):
    """Card-layout requests: a track image (or keyed card number, or an
    identity number for cash) and an amount; cancellations also carry the
    approval number and date of the transaction they cancel."""

    MSG_TYPE = TRAN_KIND = None
    KEYED = False

    def __init__(self, track2, amount, *, org_auth_no=None, org_auth_date=None, keyed=None, months=0, extra1=0,
                 extra2=0, cvm_data=None, term_id=DEFAULT_TERM_ID, pos_echo=""):
        super().__init__(self.MSG_TYPE, self.TRAN_KIND, term_id=term_id, pos_echo=pos_echo)
        self.set_text("entry_mode", "@" if (self.KEYED if keyed is None else keyed) else "S")
        self.set_text("track2", track2)
        self.set_number("install_months", months)
        self.set_number("amt_extra1", extra1)
        self.set_number("amt_extra2", extra2)
        self.set_number("tran_amt", amount)
        if int(extra1) + int(extra2) > int(amount):
            raise FieldError("amt_extra1 and amt_extra2 are part of tran_amt and cannot exceed it")
        self.set_original(self.MSG_TYPE == "0420", org_auth_no, org_auth_date)
        if cvm_data is not None:
            self.set_text("cvm_data", cvm_data)


class CardApproval(_CardKind):
    MSG_TYPE, TRAN_KIND = "0200", "10"


class CardCancel(_CardKind):
    MSG_TYPE, TRAN_KIND = "0420", "30"


class CashApproval(_CardKind):
    """Cash: `track2` is the identity number, keyed in unless keyed=False."""

    MSG_TYPE, TRAN_KIND, KEYED = "0200", "21", True


class CashCancel(_CardKind):
    MSG_TYPE, TRAN_KIND, KEYED = "0420", "21", True


class KtApproval(_CardKind):
    """Kind "KT". An amount of 1 asks for a balance, which the library refuses
    with resp_code NOTX."""

    MSG_TYPE, TRAN_KIND = "0200", "KT"


class KtCancel(_CardKind):
    MSG_TYPE, TRAN_KIND = "0420", "KT"


class F1Approval(_CardKind):
    """Kind "F1" (with a PIN where the pad is enabled); cvm_data not blank asks
    for a signature at any amount."""

    MSG_TYPE, TRAN_KIND = "0200", "F1"


class F2Cancel(_CardKind):
    MSG_TYPE, TRAN_KIND = "0420", "F2"


class ChequeInquiry(Request):
    """Kind "20": is this cheque valid? The fields go to the host as they stand."""

    def __init__(self, code, number, account, amount, *, term_id=DEFAULT_TERM_ID, pos_echo=""):
        super().__init__("0200", "20", term_id=term_id, pos_echo=pos_echo)
        self.set_text("chk_code", code)
        self.set_text("chk_number", number)
        self.set_text("chk_account", account)
        self.set_number("chk_amount", amount)


class Points(Request):
    """A points (OK Cashbag) operation; media is the points medium "01" to "04"."""

    points = True

    def __init__(self, operation, track2, amount, *, media="01", org_auth_no=None, org_auth_date=None,
                 term_id=DEFAULT_TERM_ID, pos_echo=""):
        try:
            operation = PointsOperation(operation)
        except ValueError:
            raise FieldError("pt_sub: %r is not a points operation (01, 02, 03, 11, 12)" % (operation,)) from None
        super().__init__("0420" if operation.cancels else "0200", "40", term_id=term_id, pos_echo=pos_echo)
        if media not in ("01", "02", "03", "04"):
            raise FieldError("pt_media: %r is not 01, 02, 03 or 04" % (media,))
        self.set_text("pt_media", media)
        self.set_text("pt_sub", operation.value)
        self.set_text("pt_track2", track2)
        self.set_number("pt_amt", amount)
        self.set_original(operation.cancels, org_auth_no, org_auth_date, "pt_org_auth_no", "pt_org_auth_date")
