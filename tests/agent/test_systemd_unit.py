"""The unit file as systemd reads it, and the agent's side of Type=notify."""
import os
import re
import signal
import socket
import subprocess
from pathlib import Path

import pytest
import requests

from conftest import Process

# The unit's exposure as `systemd-analyze security` scores it today (1.1 of
# 10); losing any one of its hardening options raises the score above it.
EXPOSURE_THRESHOLD = 11


def _unit_with_built_agent(tmp_path):
    """The unit run by the built agent (verify refuses a missing binary)."""
    unit = Path(os.environ["ZPOS_AGENT_UNIT"]).read_text()
    installed = re.search(r"^ExecStart=(\S+)", unit, re.M).group(1)
    path = tmp_path / "zpos-agent.service"
    path.write_text(unit.replace("ExecStart=" + installed, "ExecStart=" + os.environ["ZPOS_AGENT"]))
    return path


@pytest.mark.parametrize("command", [
    ["systemd-analyze", "verify"],
    ["systemd-analyze", "security", "--offline=true", "--threshold=%d" % EXPOSURE_THRESHOLD],
], ids=["verify", "security"])
def test_systemd_accepts_the_unit(tmp_path, command):
    unit = _unit_with_built_agent(tmp_path)
    run = subprocess.run(command + [str(unit)], capture_output=True, text=True, timeout=60)
    assert run.returncode == 0, run.stdout[-3000:] + run.stderr
    # verify reports an unknown key or a bad value as a warning, status 0.
    if command[1] == "verify":
        assert run.stdout + run.stderr == ""


@pytest.mark.parametrize("abstract", [False, True], ids=["path", "abstract"])
def test_agent_notifies_ready_and_then_answers_and_stopping_on_sigterm(tmp_path, started, abstract):
    notify = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
    address = "\0zpos-agent-test-%d" % os.getpid() if abstract else str(tmp_path / "notify")
    notify.bind(address)
    notify.settimeout(10)
    agent = Process([os.environ["ZPOS_AGENT"], "--state-dir", str(tmp_path / "state"), "--port", "0"],
                    tmp_path / "agent.out", env={"NOTIFY_SOCKET": "@" + address[1:] if abstract else address})
    started.append(agent)
    assert "READY=1" in notify.recv(4096).decode().split("\n")
    assert agent.out.read_text().startswith(f"zpos-agent listening on http://127.0.0.1:{agent.port}\n")
    assert requests.get(f"http://127.0.0.1:{agent.port}/healthz", timeout=10).status_code == 200
    agent.proc.send_signal(signal.SIGTERM)
    assert "STOPPING=1" in notify.recv(4096).decode().split("\n")
    assert agent.proc.wait(30) == 0
    notify.close()
