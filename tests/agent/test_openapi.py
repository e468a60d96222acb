"""agent/openapi.yaml against the running agent: every operation exercised,
every answer and event as documented, nothing undocumented."""
import json
from pathlib import Path

import jsonschema
import pytest
import requests
import websocket
import yaml
from conftest import sale as _sale

OPENAPI = Path(__file__).resolve().parents[2] / "agent" / "openapi.yaml"
DOC = yaml.safe_load(OPENAPI.read_text())
RESOLVER = jsonschema.RefResolver("", DOC)
SETTLED = {"declined", "failed", "completed", "in_doubt"}


def _deref(node):
    while "$ref" in node:
        target = DOC
        for part in node["$ref"][2:].split("/"):
            target = target[part]
        node = target
    return node


def _validate(instance, schema):
    jsonschema.Draft202012Validator(schema, resolver=RESOLVER).validate(instance)


def _component(name):
    return {"$ref": "#/components/schemas/" + name}


class Contract:
    """Requests whose answers are checked against the document; keeps the operations seen."""

    def __init__(self, agent):
        self.agent = agent
        self.seen = set()

    def call(self, method, template, status, *, ids=None, auth=True, headers=None, **kwargs):
        sent = {"Authorization": "Bearer " + self.agent.token} if auth else {}
        sent.update(headers or {})
        answer = requests.request(method, self.agent.url + template.format(**(ids or {})), headers=sent,
                                  timeout=30, **kwargs)
        self.seen.add((template, method.lower()))
        assert answer.status_code == status, (method, template, answer.status_code, answer.text[:500])
        documented = DOC["paths"][template][method.lower()]["responses"].get(str(status))
        assert documented, "%s %s answered %d, which is not documented" % (method, template, status)
        content = _deref(documented).get("content", {})
        media = answer.headers.get("Content-Type", "").split(";")[0].strip()
        assert media in content, "%s %s %d answered %r, documented %s" % (method, template, status, media,
                                                                          list(content))
        if media == "application/json":
            _validate(answer.json(), content[media]["schema"])
        return answer

    def settle(self, tid, states=SETTLED):
        """Long-polls the transaction until it is in one of `states`."""
        for _ in range(10):
            tx = self.call("GET", "/v1/transactions/{id}", 200, ids={"id": tid}, params={"wait": 10}).json()
            if tx["state"] in states:
                return tx
        raise AssertionError("transaction %s never reached %s" % (tid, sorted(states)))


def test_the_document_is_valid_json_schema_and_served_unchanged(agent):
    for name, schema in DOC["components"]["schemas"].items():
        jsonschema.Draft202012Validator.check_schema(schema)
    served = requests.get(agent.url + "/v1/openapi.yaml", headers={"Authorization": "Bearer " + agent.token},
                          timeout=30)
    assert served.content == OPENAPI.read_bytes()


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


@pytest.mark.parametrize("fields", TYPES, ids=["%s-%d" % (t["type"], i) for i, t in enumerate(TYPES)])
def test_every_type_as_documented_is_taken_and_answered_as_documented(agent, host, fields):
    contract = Contract(agent)
    body = {k: v for k, v in _sale("type-%s-%d" % (fields["type"], TYPES.index(fields)), acknowledge="auto",
                                   **fields).items() if v is not None}
    _validate(body, _component("TransactionRequest"))
    created = contract.call("POST", "/v1/transactions", 201, json=body).json()
    tx = contract.settle(created["id"])
    assert (tx["type"], tx["id"], tx["state"], tx["approved"]) == (fields["type"], created["id"], "completed", True), tx
    assert host.requests_seen() == 1
    if fields["type"] == "card_approval":
        assert (tx["auth_no"], tx["issuer_name"], tx["message"], tx["card"], tx["ack_result"]["code"]) == (
            "12345678", "국민카드", "정상승인", "941012******9012", 1)
    if fields["type"] == "cash_approval":
        assert tx["card"] == "800101***4567"
    if fields.get("operation") == "earn":
        assert tx["auth_no"] == "12345678"


def test_every_operation_answers_as_documented(agent, host, start_agent, tmp_path):
    contract = Contract(agent)
    call = contract.call
    assert call("GET", "/healthz", 200, auth=False).json() == {"status": "ok"}
    call("GET", "/readyz", 200, auth=False)
    call("GET", "/metrics", 200, auth=False)
    call("GET", "/v1/openapi.yaml", 200)

    # The documented example is taken as it stands.
    example = DOC["paths"]["/v1/transactions"]["post"]["requestBody"]["content"]["application/json"]
    sale = example["examples"]["sale"]["value"]
    created = call("POST", "/v1/transactions", 201, json=sale)
    tid = created.json()["id"]
    assert created.headers["Location"] == "/v1/transactions/" + tid
    assert call("POST", "/v1/transactions", 200, json=sale).json()["id"] == tid
    assert contract.settle(tid, {"approved"})["approved"] is True
    assert call("GET", "/v1/transactions/{id}", 422, ids={"id": tid}, params={"wait": 61}).json()["fields"]
    assert call("POST", "/v1/transactions", 409, json=_sale("another")).json() == {"error": "busy", "active": tid}
    assert call("POST", "/v1/transactions", 409, json=dict(sale, amount=2000)).json()["error"] == \
        "idempotency_conflict"
    assert call("POST", "/v1/downloads", 409, json={"text": "DOWNLOAD"}).json()["error"] == "busy"
    assert call("POST", "/v1/transactions/{id}/acknowledge", 202, ids={"id": tid}).json()["id"] == tid
    assert contract.settle(tid)["state"] == "completed"
    assert call("POST", "/v1/transactions/{id}/acknowledge", 409, ids={"id": tid}).json()["state"] == "completed"
    assert call("POST", "/v1/transactions/{id}/resolve", 409, ids={"id": tid},
                json={"resolution": "dismissed"}).json()["state"] == "completed"
    listed = call("GET", "/v1/transactions", 200, params={"state": "completed", "limit": 5}).json()
    assert tid in [t["id"] for t in listed["transactions"]]
    call("POST", "/v1/downloads", 200, json={"text": "DOWNLOAD"})

    # The events socket replays what it holds after seq 0; each event as documented.
    ticket = call("POST", "/v1/event-tickets", 201).json()["ticket"]
    socket = websocket.create_connection("ws://127.0.0.1:%d/v1/events?ticket=%s&after=0" % (agent.port, ticket),
                                         timeout=5, suppress_origin=True)
    contract.seen.add(("/v1/events", "get"))
    try:
        events = [json.loads(socket.recv()) for _ in range(5)]
    finally:
        socket.close()
    for event in events:
        _validate(event, _component("Event"))
    assert [e["seq"] for e in events] == list(range(events[0]["seq"], events[0]["seq"] + 5))

    # An approval left unacknowledged becomes in_doubt, and is resolved.
    other = start_agent(host, "--ack-timeout", "1", state_dir=tmp_path / "doubt")
    doubtful = Contract(other)
    tid = doubtful.call("POST", "/v1/transactions", 201, json=_sale("doubt")).json()["id"]
    assert doubtful.settle(tid, {"in_doubt"})["in_doubt_reason"] == "not acknowledged in time"
    inbox = doubtful.call("GET", "/v1/transactions", 200, params={"state": "in_doubt"}).json()["transactions"]
    assert [t["id"] for t in inbox] == [tid]
    resolved = doubtful.call("POST", "/v1/transactions/{id}/resolve", 200, ids={"id": tid},
                             json={"resolution": "confirmed_with_help_desk", "note": "approval 12345678 stands"})
    assert resolved.json()["state"] == "resolved"

    documented = {(path, method) for path, item in DOC["paths"].items() for method in item
                  if method in ("get", "post", "put", "patch", "delete")}
    assert documented - contract.seen == set()


# Refusals, each with its documented status and error object.
UPGRADE = {"Connection": "Upgrade", "Upgrade": "websocket", "Sec-WebSocket-Version": "13",
           "Sec-WebSocket-Key": "dGhlIHNhbXBsZSBub25jZQ=="}
REFUSALS = [
    ("no token", "GET", "/v1/transactions", {"auth": False}, 401, "unauthorized"),
    ("a wrong token", "GET", "/v1/transactions", {"headers": {"Authorization": "Bearer " + "0" * 64}}, 401,
     "unauthorized"),
    ("a foreign Host", "GET", "/healthz", {"auth": False, "headers": {"Host": "pos.example:80"}}, 403,
     "forbidden_host"),
    ("an Origin not allowed", "GET", "/v1/transactions", {"headers": {"Origin": "https://pos.example"}}, 403,
     "forbidden_origin"),
    ("an unknown id", "GET", "/v1/transactions/{id}", {"ids": {"id": "tx_unknown"}}, 404, "not_found"),
    ("an acknowledgement of an unknown id", "POST", "/v1/transactions/{id}/acknowledge",
     {"ids": {"id": "tx_unknown"}}, 404, "not_found"),
    ("a body that is not JSON", "POST", "/v1/transactions", {"data": "{", "headers": {"Content-Type":
                                                                                      "application/json"}}, 400,
     "malformed"),
    ("a body over 64 KiB", "POST", "/v1/transactions", {"json": _sale("big", pad="x" * 70000)}, 413, "too_large"),
    ("a field out of range", "POST", "/v1/transactions", {"json": _sale("range", amount=0)}, 422, "invalid"),
    ("an unknown field", "POST", "/v1/transactions", {"json": _sale("unknown", tip=1)}, 422, "invalid"),
    ("a resolution that does not exist", "POST", "/v1/transactions/{id}/resolve",
     {"ids": {"id": "tx_unknown"}, "json": {"resolution": "forgotten"}}, 422, "invalid"),
    ("a limit out of range", "GET", "/v1/transactions", {"params": {"limit": 0}}, 422, "invalid"),
    ("a download text too long", "POST", "/v1/downloads", {"json": {"text": "x" * 25}}, 422, "invalid"),
    ("an events request that is no upgrade", "GET", "/v1/events", {"auth": False, "params": {"ticket": "nope"}},
     400, "malformed"),
    ("an events upgrade with a wrong ticket", "GET", "/v1/events", {"auth": False, "params": {"ticket": "nope"},
                                                                     "headers": UPGRADE}, 401, "unauthorized"),
]


@pytest.mark.parametrize("what,method,template,options,status,code", REFUSALS, ids=[r[0] for r in REFUSALS])
def test_refusals_are_documented(agent, what, method, template, options, status, code):
    assert Contract(agent).call(method, template, status, **options).json()["error"] == code


def test_tickets_beyond_the_hundredth_are_refused(agent):
    contract = Contract(agent)
    for _ in range(100):
        contract.call("POST", "/v1/event-tickets", 201)
    assert contract.call("POST", "/v1/event-tickets", 429).json()["error"] == "too_many_tickets"
