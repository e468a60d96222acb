"""What the records' tables are made of: a field, and an export's result with
its text."""
import enum
from typing import NamedTuple


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
