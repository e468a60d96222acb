"""GET /metrics after an approval and a decline, as Prometheus's own checker
(`promtool check metrics`, Debian's prometheus) reads it: no parse error, no
lint problem, and no card data."""
import subprocess

import requests
from conftest import DECLINED_TRACK, TRACK, sale


def test_metrics_pass_promtool_and_hold_no_card_data(agent):
    for key, track, outcome in (("approved", TRACK, "completed"), ("declined", DECLINED_TRACK, "declined")):
        agent.wait_state(agent.create(sale(key, track, acknowledge="auto")), outcome)
    text = requests.get(agent.url + "/metrics", timeout=30).text
    check = subprocess.run(["promtool", "check", "metrics"], input=text, capture_output=True, text=True, timeout=60)
    assert check.returncode == 0 and check.stdout + check.stderr == "", check.stdout + check.stderr
    # The two sales are counted by outcome, so the lint ran over labelled series.
    for outcome in ("completed", "declined"):
        assert 'zpos_agent_transactions_total{type="card_approval",outcome="%s"} 1' % outcome in text
    for digits in (TRACK.split("=")[0], DECLINED_TRACK.split("=")[0], TRACK[:6]):
        assert digits not in text
