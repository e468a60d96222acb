"""The one time-out case: a host that never answers the request. The library
gives up after its three NAKs (about 40 seconds); the host may have approved,
so the transaction goes to the in-doubt inbox, never to failed."""
from conftest import receive_until, sale


def test_no_reply_after_the_request_is_in_doubt(start_host, start_agent):
    host = start_host("--fault", "silent-after-request")
    agent = start_agent(host)
    ws = agent.events()
    tx_id = agent.create(sale("to1"))
    events = receive_until(ws, lambda e: e.get("state") == "in_doubt", seconds=90)
    assert "waiting for the host's reply, NAK 3 of 3" in " ".join(e.get("text", "") for e in events)
    tx = agent.get(f"/v1/transactions/{tx_id}").json()
    assert (tx["state"], tx["in_doubt_reason"], tx["resp_code"]) == ("in_doubt", "no reply after the request was sent",
                                                                     "Time")
    assert [t["id"] for t in agent.inbox()] == [tx_id]
    assert agent.get("/readyz").json() == {"status": "ok", "failed": []}
