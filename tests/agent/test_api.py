"""The agent's HTTP API against the real library and zpos-host."""
import json
import re
import signal
import stat
import subprocess

import pytest
import requests
import websocket

from conftest import AGENT, DECLINED_TRACK, TRACK, receive_until, sale


def test_decline_frees_the_agent(agent):
    tx = agent.wait_state(agent.create(sale("d1", track=DECLINED_TRACK)), "declined")
    # A decline shows the host's two lines as "line 1, line 2".
    assert (tx["approved"], tx["message"], tx["resp_code"]) == (False, "사용불가카드,", "8324")
    assert agent.post(f"/v1/transactions/{tx['id']}/acknowledge", {}).status_code == 409
    agent.wait_state(agent.create(sale("d2", acknowledge="auto")), "completed")


def test_busy_leaves_no_trace_and_keys_replay(agent, host):
    first = agent.create(sale("b1"))
    agent.wait_state(first, "approved")
    busy = agent.post("/v1/transactions", sale("b2"))
    assert (busy.status_code, busy.json()) == (409, {"error": "busy", "active": first})
    assert [t["id"] for t in agent.get("/v1/transactions").json()["transactions"]] == [first]
    assert host.requests_seen() == 1
    agent.post(f"/v1/transactions/{first}/acknowledge", {})
    agent.wait_state(first, "completed")
    # A key refused as busy was never taken.
    agent.wait_state(agent.create(sale("b2", acknowledge="auto")), "completed")


def test_unacknowledged_approval_goes_to_the_inbox(start_agent, host, tmp_path):
    (tmp_path / "agent.conf").write_text("# shorter than a cashier's pause\nack-timeout = 1\n")
    agent = start_agent(host, "--config", str(tmp_path / "agent.conf"))
    tx_id = agent.create(sale("t1"))
    tx = agent.wait_state(tx_id, "in_doubt")
    assert tx["in_doubt_reason"] == "not acknowledged in time"
    late = agent.post(f"/v1/transactions/{tx_id}/acknowledge", {})
    assert (late.status_code, late.json()["state"]) == (409, "in_doubt")
    assert [t["id"] for t in agent.inbox()] == [tx_id]
    # A client from another boot is told the inbox's states first.
    (current,) = receive_until(agent.events(after=1, boot_id="0" * 16), lambda e: True)
    assert (current["current"], current["transaction_id"], current["state"]) == (True, tx_id, "in_doubt")
    r = agent.post(f"/v1/transactions/{tx_id}/resolve", {"resolution": "confirmed_with_help_desk", "note": "ok"})
    assert (r.status_code, r.json()["state"], r.json()["resolution"]["resolution"]) == (
        200, "resolved", "confirmed_with_help_desk")
    assert agent.post(f"/v1/transactions/{tx_id}/resolve", {"resolution": "dismissed"}).status_code == 409
    assert agent.inbox() == []
    # The agent was freed for the next sale; the late ACK went nowhere.
    agent.wait_state(agent.create(sale("t2", acknowledge="auto")), "completed")


def test_nothing_reaches_a_host_that_cannot_be_reached(tmp_path, start_agent, host):
    host.stop()
    agent = start_agent(host)
    tx = agent.wait_state(agent.create(sale("f1")), "failed", "in_doubt")
    assert tx["state"] == "failed" and "in_doubt_reason" not in tx


def test_acknowledgement_reported_by_the_management_message(start_host, start_agent):
    # Frames without EOT after the ACK: the library reports the transaction
    # with its management message, and that counts as done.
    agent = start_agent(start_host("--fault", "frames-without-eot"))
    tx = agent.wait_state(agent.create(sale("m1", acknowledge="auto")), "completed", "in_doubt")
    assert (tx["state"], tx["ack_result"]["code"]) == ("completed", -13) and "management message" in tx["note"]


def test_download_goes_to_its_own_server(start_host, start_agent, host):
    server = start_host("--download")
    agent = start_agent(host, "--download-host", f"127.0.0.1:{server.port}")
    r = agent.post("/v1/downloads", {"text": "DOWNLOAD 0001"})
    assert (r.status_code, r.json()["answer"]) == (200, "0000DOWNLOAD OK")
    assert agent.post("/v1/downloads", {"text": "x" * 25}).status_code == 422


@pytest.mark.parametrize("change, field", [
    ({"idempotency_key": None}, "idempotency_key"),
    ({"idempotency_key": ""}, "idempotency_key"),
    ({"idempotency_key": "k" * 65}, "idempotency_key"),
    ({"type": "card_refund"}, "type"),
    ({"type": None}, "type"),
    ({"amount": 0}, "amount"),
    ({"amount": 100000000}, "amount"),
    ({"amount": "1004"}, "amount"),
    ({"amount": 10.5}, "amount"),
    ({"track2": "9410-1234"}, "track2"),
    ({"track2": "9" * 38}, "track2"),
    ({"track2": None}, "track2"),
    ({"terminal_id": "12000000011"}, "terminal_id"),
    ({"terminal_id": "1200 0001"}, "terminal_id"),
    ({"acknowledge": "later"}, "acknowledge"),
    ({"install_months": 100}, "install_months"),
    ({"keyed": "yes"}, "keyed"),
    ({"org_auth_no": "12345678"}, "org_auth_no"),
    ({"cvm_data": "1"}, "cvm_data"),
    ({"payment_host": "10.0.0.1:10902"}, "payment_host"),
    ({"tip": 1}, "tip"),
    ({"type": "card_cancel"}, "org_auth_no"),
    ({"type": "card_cancel", "org_auth_no": "12345678", "org_auth_date": "261399"}, "org_auth_date"),
    ({"type": "kt_approval", "amount": 1}, "amount"),
    ({"type": "cheque_inquiry", "track2": None, "chk_code": "1", "chk_number": "1", "chk_account": "1"}, "chk_code"),
    ({"type": "points", "operation": "earn_all"}, "operation"),
    ({"type": "points", "operation": "earn", "media": "05"}, "media"),
    ({"type": "points", "operation": "use_cancel"}, "org_auth_date"),
])
def test_every_field_is_checked_before_anything_is_kept(agent, host, change, field):
    body = {k: v for k, v in sale("v", **change).items() if v is not None}
    r = agent.post("/v1/transactions", body)
    assert r.status_code == 422 and r.json()["error"] == "invalid", r.text
    assert field in r.json()["fields"], r.json()
    assert agent.get("/v1/transactions").json()["transactions"] == [] and host.requests_seen() == 0


def test_test_port_takes_only_its_terminal(start_agent, host, tmp_path):
    agent = start_agent(host, "--payment-host", "127.0.0.1:10901")
    r = agent.post("/v1/transactions", sale("p"))
    assert r.status_code == 422 and "terminal_id" in r.json()["fields"]


@pytest.mark.parametrize("path, headers, status, error", [
    ("/v1/transactions", {"Authorization": None}, 401, "unauthorized"),
    ("/v1/transactions", {"Authorization": "bearer {token}"}, 401, "unauthorized"),
    ("/v1/transactions", {"Authorization": "Bearer {token}x"}, 401, "unauthorized"),
    ("/v1/transactions", {"Authorization": "Bearer {half}"}, 401, "unauthorized"),
    ("/v1/transactions", {"Host": "evil.example:{port}"}, 403, "forbidden_host"),
    ("/healthz", {"Host": "127.0.0.1:1"}, 403, "forbidden_host"),
    ("/metrics", {"Host": "127.0.0.1.evil.example:{port}"}, 403, "forbidden_host"),
    ("/v1/transactions", {"Origin": "https://evil.example"}, 403, "forbidden_origin"),
    ("/healthz", {"Origin": "null"}, 403, "forbidden_origin"),
    ("/v1/transactions", {"Host": "LOCALHOST:{port}", "Origin": "https://pos.example"}, 200, None),
    ("/v1/transactions", {"Host": "[::1]:{port}"}, 200, None),
])
def test_token_host_and_origin(start_agent, host, path, headers, status, error):
    agent = start_agent(host, "--allow-origin", "https://pos.example")
    sent = {"Authorization": "Bearer {token}", **headers}
    sent = {k: v.format(token=agent.token, half=agent.token[:32], port=agent.port) for k, v in sent.items()
            if v is not None}
    r = agent.request("GET", path, status, auth=False, headers=sent)
    if error:
        assert r.json() == {"error": error}
    if "Origin" in sent and status == 200:
        assert r.headers["Access-Control-Allow-Origin"] == sent["Origin"] and r.headers["Vary"] == "Origin"


@pytest.mark.parametrize("origin, status", [("https://pos.example", 204), ("https://evil.example", 403)])
def test_preflight_needs_no_token(start_agent, host, origin, status):
    agent = start_agent(host, "--allow-origin", "https://pos.example")
    r = requests.options(agent.url + "/v1/transactions", timeout=10, headers={
        "Origin": origin, "Access-Control-Request-Method": "POST",
        "Access-Control-Request-Headers": "authorization, content-type"})
    assert r.status_code == status
    if status == 204:
        assert r.headers["Access-Control-Allow-Headers"] == "Authorization, Content-Type"
        assert r.headers["Access-Control-Allow-Private-Network"] == "true"
        assert r.headers["Access-Control-Allow-Origin"] == origin and r.headers["Vary"] == "Origin"


def test_events_take_a_single_use_ticket_and_resume_by_seq(agent):
    ticket = agent.post("/v1/event-tickets", {}).json()
    assert ticket["expires_in"] == 30
    url = f"ws://127.0.0.1:{agent.port}/v1/events?ticket={ticket['ticket']}"
    first, second = websocket.create_connection(url, timeout=30, suppress_origin=True), agent.events()
    fresh = agent.post("/v1/event-tickets", {}).json()["ticket"]
    for refused, origin in ((url, None), (url.split("?")[0], None),  # used already; none
                            (url.split("=")[0] + "=" + fresh, "https://evil.example")):
        with pytest.raises(websocket.WebSocketBadStatusException):
            websocket.create_connection(refused, timeout=10, suppress_origin=origin is None, origin=origin)
    tx_id = agent.create(sale("e1", acknowledge="auto"))
    got = [receive_until(ws, lambda e: e.get("state") == "completed") for ws in (first, second)]
    assert got[0] == got[1]
    states = [e for e in got[0] if e["type"] == "state"]
    assert [e["state"] for e in states] == ["pending", "approved", "acknowledging", "completed"]
    assert all(e["transaction_id"] == tx_id for e in states)
    seqs = [e["seq"] for e in got[0]]
    assert seqs == sorted(set(seqs)) and len({e["boot_id"] for e in got[0]}) == 1
    assert "9410123456789012" not in json.dumps(got[0])
    # A client that lost its socket after "approved" gets the rest, in order.
    after = states[1]["seq"]
    resumed = receive_until(agent.events(after=after), lambda e: e.get("state") == "completed")
    assert resumed == [e for e in got[0] if e["seq"] > after]
    # From another boot, nothing of this one is replayed: the next event is new.
    other = agent.events(after=after, boot_id="0" * 16)
    agent.create(sale("e2", acknowledge="auto"))
    assert receive_until(other, lambda e: True)[0]["seq"] > got[0][-1]["seq"]


def test_progress_after_one_nak_and_a_clean_stop(start_host, start_agent):
    # The reply comes after the first 10-second wait; SIGTERM lets the call finish first.
    host = start_host("--reply-delay", "11000")
    agent = start_agent(host)
    ws = agent.events()
    tx_id = agent.create(sale("n1"))
    progress = receive_until(ws, lambda e: "NAK 1 of 3" in e.get("text", ""), seconds=30)
    texts = [e["text"] for e in progress if e["type"] == "progress"]
    assert texts[-1].startswith("waiting for the host's reply, NAK 1 of 3, ")
    assert any(e["type"] == "log" and e["line"].startswith("Connect info2") for e in progress)
    agent.proc.send_signal(signal.SIGTERM)
    assert agent.proc.wait(timeout=30) == 0
    again = start_agent(host, state_dir=agent.state_dir)
    tx = again.get(f"/v1/transactions/{tx_id}").json()
    assert (tx["state"], tx["in_doubt_reason"], tx["auth_no"]) == ("in_doubt", "approved, never acknowledged", "12345678")


def test_state_dir_files_and_the_journal_keep_no_card_number(start_agent, host, tmp_path):
    agent = start_agent(host)
    for key, track in (("c1", TRACK), ("c2", DECLINED_TRACK)):
        agent.wait_state(agent.create(sale(key, track=track, acknowledge="auto")), "completed", "declined")
    token = agent.state_dir / "agent.token"
    assert stat.S_IMODE(token.stat().st_mode) == 0o600 and len(agent.token) == 64
    second = subprocess.run([AGENT, "--state-dir", str(agent.state_dir), "--port", "0"], capture_output=True, timeout=10)
    assert second.returncode == 2 and b"another zpos-agent" in second.stderr
    # A rotation takes effect at once: the old token is refused.
    old = agent.token
    subprocess.run([AGENT, "token", "rotate", "--state-dir", str(agent.state_dir)], check=True, timeout=10)
    new = token.read_text().strip()
    assert new != old and stat.S_IMODE(token.stat().st_mode) == 0o600
    assert agent.get("/v1/transactions").status_code == 401
    agent.token = new
    # The metrics as Prometheus's own checker reads them: labelled series, and no card number.
    metrics = agent.request("GET", "/metrics", 200).text
    check = subprocess.run(["promtool", "check", "metrics"], input=metrics, capture_output=True, text=True, timeout=60)
    assert check.returncode == 0 and check.stdout + check.stderr == "", check.stdout + check.stderr
    for outcome in ("completed", "declined"):
        assert f'zpos_agent_transactions_total{{type="card_approval",outcome="{outcome}"}} 1' in metrics
    assert "zpos_agent_in_doubt 0" in metrics and "941012" not in metrics and "541012" not in metrics
    export = subprocess.run([AGENT, "journal", "export", "--state-dir", str(agent.state_dir), "--since", "2000-01-01"],
                            capture_output=True, text=True, timeout=10)
    lines = export.stdout.splitlines()
    assert lines[0].startswith("id,type,state") and len(lines) == 3 and "941012******9012" in export.stdout
    agent.stop()
    for path in agent.state_dir.rglob("*"):
        if path.is_file():
            data = path.read_bytes()
            # More than the first six digits, or the expiry: the strict mask
            # of the library's logs shows neither, nor does the journal.
            for digits in (b"9410123", b"5410123", b"2812101"):
                assert digits not in data, f"{digits} in {path.name}"
    assert stat.S_IMODE((agent.state_dir / "journal.sqlite3").stat().st_mode) == 0o600


def test_demo_page_has_a_token_of_its_own(tmp_path, start_agent, host, agent):
    assert requests.get(agent.url + "/demo/", timeout=10).status_code == 404
    demo = start_agent(host, "--demo")
    page = requests.get(demo.url + "/demo/", timeout=10)
    assert page.headers["Cache-Control"] == "no-store"
    token = re.search(r'name="zpos-demo-token" content="([0-9a-f]{64})"', page.text).group(1)
    assert token != demo.token
    # Its own page's origin only: not another agent's demo page, even with this page's token.
    for origin, status in ((f"http://localhost:{demo.port}", 200), (f"http://127.0.0.1:{demo.port + 1}", 403)):
        r = demo.request("GET", "/v1/transactions", status, auth=False,
                         headers={"Authorization": "Bearer " + token, "Origin": origin})
        assert r.headers.get("Access-Control-Allow-Origin") == (origin if status == 200 else None)
    assert requests.get(demo.url + "/demo/zposapp-agent.js", timeout=10).headers["Content-Type"].startswith(
        "text/javascript")
    refused = subprocess.run([AGENT, "--state-dir", str(tmp_path / "s"), "--demo", "--payment-host",
                              "10.1.2.3:10902"], capture_output=True, timeout=10)
    assert refused.returncode == 2
