#!/usr/bin/env python3
"""Writes the fuzz targets' seed inputs into fuzz/corpus/<target>/, in the
shapes the unit tests use: host replies, backup answers, link frames, settings
files, registry stores and request records. Run it after changing a shape."""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "tables"))
from generate import load_fields  # noqa: E402

REQUEST_FIELDS = {f["name"]: (f["offset"], f["width"]) for f in load_fields() if f["record"] == "request"}
FS, STX, ETX, SO, SI = b"\x1c", b"\x02", b"\x03", b"\x0e", b"\x0f"


def reply(fields, kind_byte):
    """A reply body: STX, six header bytes, fields 0..46 joined by FS, ETX, check byte."""
    slots = [b""] * 47
    for n, text in fields.items():
        slots[n] = text
    return bytes([kind_byte]) + STX + b"0000RP" + FS.join(slots) + ETX + b"K"


def mask(body):
    n = len(body)
    key = (n & 0xFF) or ((n >> 8) & 0xFF)
    return bytes(b ^ ((i + 1) % 127) ^ key for i, b in enumerate(body))


def frame(body):
    n = len(body)
    return bytes([n >> 8, n & 0xFF]) + mask(body)


def request(fields):
    """A request record with the named fields set, blanks elsewhere."""
    rec = bytearray(b" " * 240)
    for name, text in fields.items():
        offset, width = REQUEST_FIELDS[name]
        rec[offset:offset + width] = text[:width].ljust(width)
    return bytes(rec)


approved = {0: b"0000", 1: b"12345678", 5: b"240315120000", 6: b"APPROVED", 7: b"87654321",
            20: SO + b"GKSrnr" + SI + b" OK", 46: b"0005HELLO"}
declined = {0: b"8010", 20: SO + b"dkssud" + SI, 21: b"CALL" + SO + b"RkR" + SI, 46: b"0000"}
points = {0: b"0000", 30: b"001500", 32: SO + b"vhdlsxm" + SI}

card = request({"rec_len": b"0240", "msg_type": b"0200", "tran_kind": b"10", "term_id": b"1200000001",
                "entry_mode": b"A", "track2": b"4092123412341234=2512101", "install_months": b"00",
                "amt_extra1": b"000000100", "amt_extra2": b"000000200", "tran_amt": b"000010000"})
cancel = request({"rec_len": b"0240", "msg_type": b"0420", "tran_kind": b"10", "term_id": b"1200000001",
                  "entry_mode": b"K", "track2": b"4092123412341234=2512", "tran_amt": b"000010000",
                  "org_auth_no": b"87654321", "org_auth_date": b"240315"})
pts = request({"rec_len": b"0240", "msg_type": b"0600", "tran_kind": b"60", "term_id": b"1200000001",
               "pt_media": b"01", "pt_sub": b"02", "pt_track2": b"9410123412341234=2512", "pt_amt": b"000001500"})
settings = b"[VANCFG]\nEOT_CNT=1\nVANID=2\nTOGGLE_TIME=1700000000    \n[COM_PORT]\nPIN=YES\nSignSetting=NO\n"

enq = b"\x00\x01\x05"
eot = b"\x00\x01\x04"
approved_body = reply(approved, 0)[1:]

corpus = {
    "reply_parser_fuzz": {
        "approval": reply(approved, 1),
        "decline": reply(declined, 2),
        "points": reply(points, 12),
        "open_run": bytes([0]) + STX + b"0000RP" + SO + b"GKS",
    },
    "backup_reply_fuzz": {
        "approval": STX + FS.join([b"ZLTA", b"0000", b"01", b"ISSUER", b"123456789", b"ACQ", b"240315120000",
                                   b"", b"87654321", b"", b"D", b"APPROVED", b"01", b"INFO1", b"", b""]) + ETX,
        "refusal": STX + FS.join([b"ZLTA", b"8010", b"01", b"ISSUER", b"", b"", b"", b"", b"", b"", b"",
                                  b"REFUSED", b"CALL"]) + ETX,
        "unknown": STX + FS.join([b"ZLTA", b"3600"]) + ETX,
    },
    "link_frames_fuzz": {
        "approval_eot": bytes([0x81]) + enq + frame(approved_body) + eot,
        "enq_retry": bytes([1]) + enq + b"\x00\x01\x05" + frame(approved_body),
        "short_frames": bytes([0]) + enq + b"\x00\x02\x15\x15" + b"\x00\x01\x15",
        "no_enq": bytes([2]) + b"\x00\x01\x06",
    },
    "profile_fuzz": {
        "known_key": b"VANCFG\0EOT_CNT\x002\0" + settings,
        "new_section": b"SIGNPAD\0VALUE\0ZS100\0" + settings,
        "blank_lines": b"COM_PORT\0PIN\0NO\0\r\n  [COM_PORT]  \r\n PIN = YES \r\n",
    },
    "registry_store_fuzz": {
        "string": b"SOFTWARE\\VAN_POS_SECURITY\\1100\0CARD\0# zposapp registry store\n"
                  b"K\tSOFTWARE\\VAN_POS_SECURITY\\1100\nV\tCARD\t1\t3431323300\n",
        "binary": b"software\\van_pos_security\\1100\0BLOCK\0# zposapp registry store\n"
                  b"K\tSOFTWARE\\VAN_POS_SECURITY\\1100\nV\tBLOCK\t3\t00ff10\nK\tSOFTWARE\\OTHER\n",
    },
    "request_builders_fuzz": {
        "card_approval": bytes([2, 0]) + card + settings,
        "card_cancel": bytes([3, 1]) + cancel + settings,
        "points": bytes([12, 0]) + pts,
        "management": bytes([0, 0]) + card,
    },
}

for target, files in corpus.items():
    d = os.path.join(HERE, "corpus", target)
    os.makedirs(d, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(d, name), "wb") as f:
            f.write(data)
