"""The agent killed right after it commits each state, then started again on
the same journal: what a crash leaves is in the inbox with its reason."""
import sqlite3

import pytest

from conftest import DECLINED_TRACK, KILLED, TRACK, sale

# kill point, what the sale asks for, state after the restart, in-doubt reason
CASES = [
    ("pending", "manual", TRACK, "in_doubt", "stopped during the host exchange"),
    ("approved", "manual", TRACK, "in_doubt", "approved, never acknowledged"),
    ("acknowledging", "auto", TRACK, "in_doubt", "stopped during the acknowledgement"),
    ("completed", "auto", TRACK, "completed", None),
    ("declined", "manual", DECLINED_TRACK, "declined", None),
    # --ack-timeout 1 below: the approval times out into the inbox first.
    ("in_doubt", "manual", TRACK, "in_doubt", "not acknowledged in time"),
]


@pytest.mark.parametrize("kill_at, ack, track, state, reason", CASES)
def test_restart_after_a_kill(tmp_path, start_agent, host, kill_at, ack, track, state, reason):
    agent = start_agent(host, "--ack-timeout", "1", env={"ZPOS_AGENT_KILL_AT": kill_at})
    try:
        agent.post("/v1/transactions", sale("r1", track=track, acknowledge=ack))
    except Exception:
        pass  # killed before it could answer
    assert agent.proc.wait(timeout=60) == KILLED
    again = start_agent(host, state_dir=agent.state_dir)
    (tx,) = again.get("/v1/transactions").json()["transactions"]
    inbox = again.inbox()
    assert (tx["state"], tx.get("in_doubt_reason")) == (state, reason)
    assert [t["id"] for t in inbox] == ([tx["id"]] if state == "in_doubt" else [])
    if tx["approved"]:
        assert tx["auth_no"] == "12345678"
    # The key still answers with the transaction, and the agent is free.
    assert again.post("/v1/transactions", sale("r1", track=track, acknowledge=ack)).json()["id"] == tx["id"]
    again.wait_state(again.create(sale("r2", acknowledge="auto")), "completed")
    print(f"\nkill at {kill_at:14} -> {tx['state']:10} inbox {[(t['state'], t['in_doubt_reason']) for t in inbox]}")


def test_old_rows_are_pruned_but_never_an_in_doubt_one(tmp_path, start_agent, host):
    agent = start_agent(host, "--retention-days", "30")
    done = agent.wait_state(agent.create(sale("old1", acknowledge="auto")), "completed")["id"]
    agent.wait_state(agent.create(sale("old2", acknowledge="auto")), "completed")
    kept = agent.create(sale("old3"))
    agent.wait_state(kept, "approved")
    agent.stop()  # old3 waits for its acknowledgement: in doubt at the next start
    journal = sqlite3.connect(agent.state_dir / "journal.sqlite3")
    with journal:
        day = 86400 * 1000
        journal.execute("UPDATE transactions SET created_ms = created_ms - 31 * ? WHERE id IN (?, ?)", (day, done, kept))
        # old2: past the 48 hours its key is kept, inside the retention.
        journal.execute("UPDATE transactions SET created_ms = created_ms - 3 * ? WHERE idem_key = 'old2'", (day,))
    journal.close()
    again = start_agent(host, "--retention-days", "30", state_dir=agent.state_dir)
    left = {t["id"]: t["state"] for t in again.get("/v1/transactions").json()["transactions"]}
    assert done not in left and left[kept] == "in_doubt" and len(left) == 2
    # Its key was released: the same key is a new sale now.
    assert again.post("/v1/transactions", sale("old2", amount=5000)).status_code == 201
