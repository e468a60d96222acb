"""agent/openapi.yaml against the running agent: every type and every operation
exercised, every event as documented (conftest checks each answer)."""
import pytest

from conftest import DOC, OPENAPI, receive_until, sale, validate

SETTLED = ("declined", "failed", "completed", "in_doubt")


# One representative request per type, as the request schema describes it;
# each reaches the host once and is approved and acknowledged.
TYPES = [
    {"type": "card_approval", "install_months": 3},
    {"type": "card_cancel", "org_auth_no": "12345678", "org_auth_date": "261206"},
    {"type": "cash_approval", "track2": "8001011234567"},
    {"type": "cash_cancel", "track2": "8001011234567", "org_auth_no": "12345678", "org_auth_date": "261206"},
    {"type": "kt_approval", "keyed": True, "track2": "9410123456789012=2812"},
    {"type": "kt_cancel", "org_auth_no": "12345678", "org_auth_date": "261206"},
    {"type": "f1_approval", "cvm_data": "1"},
    {"type": "f2_cancel", "org_auth_no": "12345678", "org_auth_date": "261206"},
    {"type": "cheque_inquiry", "track2": None, "chk_code": "11", "chk_number": "12345678901234567890",
     "chk_account": "1234567890123", "amount": 100000},
    {"type": "points", "operation": "earn", "media": "02"},
    {"type": "points", "operation": "use_cancel", "org_auth_no": "123456789012", "org_auth_date": "261206"},
]


@pytest.mark.parametrize("fields", TYPES, ids=[t["type"] for t in TYPES])
def test_every_type_as_documented_is_taken_and_answered_as_documented(agent, host, fields):
    body = {k: v for k, v in sale("t", acknowledge="auto", **fields).items() if v is not None}
    validate(body, {"$ref": "#/components/schemas/TransactionRequest"})
    tx = agent.wait_state(agent.create(body), *SETTLED)
    assert (tx["type"], tx["state"], tx["approved"]) == (fields["type"], "completed", True), tx
    assert host.requests_seen() == 1
    if fields["type"] == "card_approval":
        assert (tx["auth_no"], tx["issuer_name"], tx["message"], tx["card"], tx["ack_result"]["code"]) == (
            "12345678", "국민카드", "정상승인", "941012******9012", 1)
    if fields["type"] == "cash_approval":
        assert tx["card"] == "800101***4567"
    if fields.get("operation") == "earn":
        assert tx["auth_no"] == "12345678"


def test_every_operation_answers_as_documented(agent):
    call = agent.request
    assert call("GET", "/healthz", 200, auth=False).json() == {"status": "ok"}
    call("GET", "/readyz", 200, auth=False)
    call("GET", "/metrics", 200, auth=False)
    assert call("GET", "/v1/openapi.yaml", 200).content == OPENAPI.read_bytes()

    # The documented example is taken as it stands.
    example = DOC["paths"]["/v1/transactions"]["post"]["requestBody"]["content"]["application/json"]
    body = example["examples"]["sale"]["value"]
    created = call("POST", "/v1/transactions", 201, json=body)
    tid = created.json()["id"]
    assert created.headers["Location"] == "/v1/transactions/" + tid
    assert call("POST", "/v1/transactions", 200, json=body).json()["id"] == tid
    assert agent.wait_state(tid, "approved")["approved"] is True
    assert call("GET", f"/v1/transactions/{tid}", 422, params={"wait": 61}).json()["fields"]
    assert call("POST", "/v1/transactions", 409, json=dict(body, amount=2000)).json()["error"] == \
        "idempotency_conflict"
    assert call("POST", "/v1/downloads", 409, json={"text": "DOWNLOAD"}).json()["error"] == "busy"
    assert call("POST", f"/v1/transactions/{tid}/acknowledge", 202).json()["id"] == tid
    assert agent.wait_state(tid, *SETTLED)["state"] == "completed"
    assert call("POST", f"/v1/transactions/{tid}/acknowledge", 409).json()["state"] == "completed"
    assert call("POST", f"/v1/transactions/{tid}/resolve", 409,
                json={"resolution": "dismissed"}).json()["state"] == "completed"
    listed = call("GET", "/v1/transactions", 200, params={"state": "completed", "limit": 5}).json()
    assert tid in [t["id"] for t in listed["transactions"]]
    call("POST", "/v1/downloads", 200, json={"text": "DOWNLOAD"})

    # The events socket replays what it holds after seq 0, in order.
    events = receive_until(agent.events(after=0), lambda e: e.get("state") == "completed")
    assert [e["seq"] for e in events] == list(range(1, len(events) + 1))

    documented = {(path, method) for path, item in DOC["paths"].items() for method in item
                  if method in ("get", "post", "put", "patch", "delete")}
    assert documented - agent.seen == set()


# Refusals, each with its documented status and error object; those of the
# token, Host, Origin and fields are in test_api.py.
UPGRADE = {"Connection": "Upgrade", "Upgrade": "websocket", "Sec-WebSocket-Version": "13",
           "Sec-WebSocket-Key": "dGhlIHNhbXBsZSBub25jZQ=="}
REFUSALS = [
    ("an unknown id", "GET", "/v1/transactions/tx_unknown", {}, 404, "not_found"),
    ("an acknowledgement of an unknown id", "POST", "/v1/transactions/tx_unknown/acknowledge", {}, 404, "not_found"),
    ("a body that is not JSON", "POST", "/v1/transactions",
     {"data": "{", "headers": {"Content-Type": "application/json"}}, 400, "malformed"),
    ("a body that is no object", "POST", "/v1/transactions", {"data": b"[1, 2]"}, 422, "invalid"),
    ("a body over 64 KiB", "POST", "/v1/transactions", {"json": sale("big", pad="x" * 70000)}, 413, "too_large"),
    ("a resolution that does not exist", "POST", "/v1/transactions/tx_unknown/resolve",
     {"json": {"resolution": "forgotten"}}, 422, "invalid"),
    ("a limit out of range", "GET", "/v1/transactions", {"params": {"limit": 0}}, 422, "invalid"),
    ("an events request that is no upgrade", "GET", "/v1/events", {"auth": False, "params": {"ticket": "nope"}},
     400, "malformed"),
    ("an events upgrade with a wrong ticket", "GET", "/v1/events",
     {"auth": False, "params": {"ticket": "nope"}, "headers": UPGRADE}, 401, "unauthorized"),
]


@pytest.mark.parametrize("what, method, path, options, status, code", REFUSALS, ids=[r[0] for r in REFUSALS])
def test_refusals_are_documented(agent, what, method, path, options, status, code):
    assert agent.request(method, path, status, **options).json()["error"] == code
    agent.request("GET", "/healthz", 200, auth=False)  # and it still serves


def test_tickets_beyond_the_hundredth_are_refused(agent):
    for _ in range(100):
        agent.request("POST", "/v1/event-tickets", 201)
    assert agent.request("POST", "/v1/event-tickets", 429).json()["error"] == "too_many_tickets"
