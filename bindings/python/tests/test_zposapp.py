"""The binding against the real library and zpos-host."""
import os
import subprocess
import sys
import threading

import pytest
import zposapp
from zposapp import AckResult, FieldError, PointsOperation, RespCode, SendResult

from conftest import HOST

CARD = "9410123456789012"
TRACK = CARD + "=2812101"
ORG = {"org_auth_no": "12345678", "org_auth_date": "261206"}


def log_lines(app_dir):
    logs = list((app_dir / "Logs").glob("AppLog.*.txt")) if (app_dir / "Logs").exists() else []
    return sum(len(p.read_bytes().splitlines()) for p in logs)


def assert_no_card_number(text):
    """At most the card number's first six and last four digits."""
    assert not any(CARD[i:i + 7] in text for i in range(len(CARD) - 6)), text


def test_card_approval_receipt_and_ack(pos, ports, app_dir):
    response = pos.send(HOST, ports[0], zposapp.CardApproval(TRACK, 1004, pos_echo="till 3"))
    assert response.result is SendResult.REPLIED and response.resp_code is RespCode.APPROVED and response.approved
    assert (response.auth_no, response.issuer_name, response.message, response.tran_amt, response.pos_echo) == (
        "12345678", "국민카드", "정상승인", "000001004", "till 3")
    assert pos.ack() is AckResult.CLOSED
    # The files went to the folder the binding named, not beside the interpreter.
    assert log_lines(app_dir) > 0 and "VANID=1" in (app_dir / "ZposSign.ini").read_text()


def test_decline_reads_the_hosts_korean_message(pos, ports):
    response = pos.send(HOST, ports[0], zposapp.CardApproval("5410123456789012=2812101", 30000))
    assert (response.result, response.resp_code, response.message) == (
        SendResult.REPLIED, RespCode.DECLINED, "사용불가카드,")  # message lines 1 and 2, the second empty
    assert not response.approved
    assert pos.ack() is AckResult.NOT_SENT  # the library acknowledged the decline itself


@pytest.mark.parametrize("request_, checks", [
    pytest.param(zposapp.CardCancel(TRACK, 1004, **ORG), {"tran_kind": "30", "msg_type": "0430"}, id="card-cancel"),
    pytest.param(zposapp.CashApproval("8001011234567", 5000), {"tran_kind": "21", "entry_mode": "@"}, id="cash"),
    pytest.param(zposapp.CashCancel("8001011234567", 5000, **ORG), {"tran_kind": "21", "msg_type": "0430"},
                 id="cash-cancel"),
    pytest.param(zposapp.KtApproval(TRACK, 2000), {"tran_kind": "KT"}, id="kt"),
    pytest.param(zposapp.KtCancel(TRACK, 2000, **ORG), {"tran_kind": "KT", "msg_type": "0430"}, id="kt-cancel"),
    pytest.param(zposapp.F1Approval(TRACK, 3000), {"tran_kind": "F1"}, id="f1"),
    pytest.param(zposapp.F2Cancel(TRACK, 3000, **ORG), {"tran_kind": "F2", "msg_type": "0430"}, id="f2-cancel"),
    pytest.param(zposapp.ChequeInquiry("12", "00000000001234567890", "1234567890123", 100000),
                 {"tran_kind": "20", "chk_message": "정상수표"}, id="cheque"),
    pytest.param(zposapp.Points(PointsOperation.EARN, TRACK, 5000), {"pt_sub": "01", "pt_auth_no": "12345678"},
                 id="points-earn"),
    pytest.param(zposapp.Points("02", TRACK, 5000, media="02"), {"pt_sub": "02", "pt_media": "02"}, id="points-use"),
    pytest.param(zposapp.Points(PointsOperation.INQUIRY, TRACK, 0), {"pt_sub": "03"}, id="points-inquiry"),
    pytest.param(zposapp.Points(PointsOperation.EARN_CANCEL, TRACK, 5000, **ORG), {"pt_sub": "11", "msg_type": "0430"},
                 id="points-earn-cancel"),
    pytest.param(zposapp.Points(PointsOperation.USE_CANCEL, TRACK, 5000, **ORG), {"pt_sub": "12", "msg_type": "0430"},
                 id="points-use-cancel"),
])
def test_every_typed_request_is_taken_and_approved(pos, ports, request_, checks):
    call = pos.okcashbag if request_.points else pos.send
    response = call(HOST, ports[0], request_)
    assert response.approved, (response, response.message)
    assert {name: response.field(name) for name in checks} == checks
    assert pos.ack() is AckResult.CLOSED


@pytest.mark.parametrize("build", [
    pytest.param(lambda: zposapp.CardApproval(TRACK, "00000abcd"), id="amount-not-digits"),
    pytest.param(lambda: zposapp.CardApproval(TRACK, -1), id="amount-negative"),
    pytest.param(lambda: zposapp.CardApproval(TRACK, 10 ** 9), id="amount-ten-digits"),
    pytest.param(lambda: zposapp.CardApproval(TRACK, True), id="amount-bool"),
    pytest.param(lambda: zposapp.CardApproval(TRACK, 1.5), id="amount-float"),
    pytest.param(lambda: zposapp.CardApproval(TRACK + "1" * 14, 1004), id="track-38-of-37"),
    pytest.param(lambda: zposapp.CardApproval(TRACK, 1004, term_id="12000000011"), id="term-id-11-of-10"),
    pytest.param(lambda: zposapp.CardApproval(TRACK, 1004, months=100), id="months-100"),
    pytest.param(lambda: zposapp.CardApproval(TRACK, 1000, extra1=600, extra2=600), id="extras-over-amount"),
    pytest.param(lambda: zposapp.CardApproval(TRACK, 1004, **ORG), id="approval-with-original"),
    pytest.param(lambda: zposapp.CardCancel(TRACK, 1004), id="cancel-without-original"),
    pytest.param(lambda: zposapp.Points("04", TRACK, 5000), id="points-operation-04"),
    pytest.param(lambda: zposapp.Points(PointsOperation.EARN_CANCEL, TRACK, 5000), id="points-cancel-without-original"),
    pytest.param(lambda: zposapp.Points(PointsOperation.EARN, TRACK, 5000, org_auth_no="12345678"),
                 id="points-earn-with-half-an-original"),
    pytest.param(lambda: zposapp.Points(PointsOperation.EARN, TRACK, 5000, media="05"), id="points-media-05"),
    pytest.param(lambda: zposapp.Request("020", "10"), id="msg-type-3-of-4"),
    pytest.param(lambda: zposapp.CardApproval(TRACK, 10 ** 4400), id="amount-4401-digits"),
    pytest.param(lambda: zposapp.CardApproval(TRACK.encode(), 1004), id="track-as-bytes"),
    pytest.param(lambda: zposapp.CardApproval(TRACK[:8] + "\0" + TRACK[8:], 1004), id="track-with-nul"),
    pytest.param(lambda: zposapp.CardApproval(TRACK + "\U0001F4B3", 1004), id="track-with-emoji"),
    pytest.param(lambda: zposapp.Points(PointsOperation.EARN, TRACK + "0" * 14, 5000), id="pt-track2-overlong"),
    pytest.param(lambda: zposapp.Request("0200", "70").set_text("card_data", "  " + TRACK + "X" * 14),
                 id="card-data-overlong"),
])
def test_a_value_that_does_not_fit_raises_at_once_without_the_card_number(build):
    with pytest.raises(FieldError) as refused:
        build()
    assert_no_card_number(str(refused.value))


class Short(zposapp.CardApproval):
    """A request whose bytes are not a whole record."""

    def __bytes__(self):
        return super().__bytes__()[:-1]


@pytest.mark.parametrize("call", [
    pytest.param(lambda pos, port: pos.send("127.0.0.1.localhost", port, zposapp.CardApproval(TRACK, 1004)),
                 id="host-16-of-15"),
    pytest.param(lambda pos, port: pos.send("127.0.0.1\0.9", port, zposapp.CardApproval(TRACK, 1004)),
                 id="host-with-nul"),
    pytest.param(lambda pos, port: pos.send(HOST, 0, zposapp.CardApproval(TRACK, 1004)), id="port-0"),
    pytest.param(lambda pos, port: pos.send(HOST, port, bytes(zposapp.CardApproval(TRACK, 1004))), id="raw-bytes"),
    pytest.param(lambda pos, port: pos.send(HOST, port, Short(TRACK, 1004)), id="request-of-239-bytes"),
    pytest.param(lambda pos, port: pos.okcashbag(HOST, port, zposapp.CardApproval(TRACK, 1004)),
                 id="okcashbag-card"),
    pytest.param(lambda pos, port: pos.download(HOST, port, "x" * 25), id="download-text-25-of-24"),
    pytest.param(lambda pos, port: pos.download(HOST, port, "DOWNLOAD\0 0001"), id="download-text-with-nul"),
    pytest.param(lambda pos, port: pos.download(HOST, port, "DOWNLOAD \U0001F4B3"), id="download-text-not-cp949"),
])
def test_a_call_that_cannot_be_made_as_asked_raises_before_sending(pos, ports, app_dir, call):
    before = log_lines(app_dir)
    with pytest.raises((FieldError, TypeError)) as refused:
        call(pos, ports[0])
    assert_no_card_number(str(refused.value))
    assert log_lines(app_dir) == before


def test_card_numbers_show_masked_in_errors_and_reprs(pos, ports):
    with pytest.raises(FieldError) as refused:
        zposapp.CardApproval(TRACK + "X" * 14, 1000)
    assert str(refused.value) == "track2: '941012******9012**********************' does not fit 37 bytes"
    sale = zposapp.CardApproval(TRACK, 1004, pos_echo="계산대 3")  # Korean before the card data
    points = zposapp.Points(PointsOperation.EARN, TRACK, 5000)
    assert "941012******9012********" in repr(sale) and "000001004" in repr(sale)
    assert "941012******9012********" in repr(points)
    with pytest.raises(TypeError) as refused:
        pos.okcashbag(HOST, ports[0], sale)
    for text in (repr(sale), repr(points), str(refused.value)):
        assert_no_card_number(text)


def test_download(pos, ports):
    download = pos.download(HOST, ports[1], "DOWNLOAD 0001")
    assert (download.ok, download.result, download.answer) == (True, 15, "0000DOWNLOAD OK")


def test_without_a_path_the_library_is_found_by_its_name(library, tmp_path):
    # As the runtime package installs it: under its versioned name only, on the search path.
    (tmp_path / "libZPosApp.so.1").symlink_to(library)
    subprocess.run([sys.executable, "-c", "import zposapp; zposapp.ZPosApp()"],
                   env=dict(os.environ, LD_LIBRARY_PATH=str(tmp_path)), check=True, timeout=60)


def test_another_threads_call_waits_for_the_open_transaction(pos, ports):
    tried, sent = threading.Event(), threading.Event()
    order = []

    def other_till():
        try:
            with pos.transaction(timeout=0):
                order.append("entered")
        except TimeoutError:
            order.append("busy")
        tried.set()
        order.append(("send", pos.send(HOST, ports[0], zposapp.CardApproval(TRACK, 2000)).approved))
        sent.set()
        order.append(("ack", pos.ack()))

    with pos.transaction():
        assert pos.send(HOST, ports[0], zposapp.CardApproval(TRACK, 1004)).approved
        with pos.transaction():  # the holding thread enters again
            other = threading.Thread(target=other_till, daemon=True)
            other.start()
            # Long enough for a call that does not wait to finish.
            assert tried.wait(30) and not sent.wait(1)
            order.append(("ack", pos.ack()))
    other.join(60)
    assert order == ["busy", ("ack", AckResult.CLOSED), ("send", True), ("ack", AckResult.CLOSED)]


def test_a_second_application_directory_is_refused(pos, library, app_dir, tmp_path):
    with pytest.raises(ValueError, match="app_dir"):
        zposapp.ZPosApp(library, app_dir=tmp_path / "other")
    assert os.environ["ZPOS_APP_DIR"] == str(app_dir) and not (tmp_path / "other").exists()
    assert zposapp.ZPosApp(library, app_dir=app_dir)  # the same folder again is no change
