"""zpos-host (declines cards starting 5410, approves the rest) and zpos-agent
as processes, stopped when their test ends; every answer of the agent is
checked against agent/openapi.yaml."""
import functools
import json
import os
import re
import shlex
import signal
import subprocess
import time
import urllib.parse
from pathlib import Path

import jsonschema
import pytest
import requests
import websocket
import yaml

AGENT = os.environ.get("ZPOS_AGENT", "")
HOST = os.environ.get("ZPOS_HOST", "")
# The Windows build runs as a command such as "wine build/mingw/zpos-agent.exe":
# its paths are given as Windows sees them (Wine's Z: is /), and the test
# hook's kill shows as exit status 137 instead of a signal.
AGENT_COMMAND = shlex.split(os.environ.get("ZPOS_AGENT_COMMAND", "")) or [AGENT]
UNDER_WINE = os.path.basename(AGENT_COMMAND[0]).startswith("wine")
KILLED = 137 if UNDER_WINE else -signal.SIGKILL
START_SECONDS = 60 if UNDER_WINE else 10
TRACK = "9410123456789012=2812101"
DECLINED_TRACK = "5410123456789012=2812101"
SCENARIO = """decline card 5410 사용불가카드
approve any 정상승인
approval 12345678
issuer 0100 국민카드
"""
OPENAPI = Path(__file__).resolve().parents[2] / "agent" / "openapi.yaml"
DOC = yaml.safe_load(OPENAPI.read_text())


def sale(key, track=TRACK, amount=1004, **extra):
    return {"idempotency_key": key, "type": "card_approval", "amount": amount, "track2": track,
            "terminal_id": "1200000001", **extra}


def agent_path(path):
    return "Z:" + str(path).replace("/", "\\") if UNDER_WINE else str(path)


def validate(instance, schema):
    jsonschema.Draft202012Validator(schema, resolver=jsonschema.RefResolver("", DOC)).validate(instance)


def as_documented(method, path, answer):
    """The operation's path template, once the answer's status, media type and body are as documented."""
    template = next((t for t in DOC["paths"] if re.fullmatch(re.sub(r"{\w+}", "[^/]+", t), path)), None)
    assert template, f"{path} is not documented"
    documented = DOC["paths"][template][method]["responses"].get(str(answer.status_code))
    assert documented, f"{method} {path} answered {answer.status_code}, which is not documented"
    while "$ref" in documented:
        documented = functools.reduce(dict.get, documented["$ref"][2:].split("/"), DOC)
    content = documented.get("content", {})
    media = answer.headers.get("Content-Type", "").split(";")[0].strip()
    assert media in content, f"{method} {path} {answer.status_code} answered {media!r}, documented {list(content)}"
    if media == "application/json":
        validate(answer.json(), content[media]["schema"])
    return template


class Process:
    """A program whose first output line names its port."""

    def __init__(self, args, out, env=None):
        self.out = out
        with open(out, "w") as f:
            self.proc = subprocess.Popen(args, stdout=f, stderr=subprocess.STDOUT, env={**os.environ, **(env or {})})
        deadline = time.monotonic() + START_SECONDS
        while time.monotonic() < deadline:
            found = re.search(r"listening on (?:http://)?127\.0\.0\.1:(\d+)", out.read_text())
            if found:
                self.port = int(found.group(1))
                return
            if self.proc.poll() is not None:
                break
            time.sleep(0.05)
        self.stop()
        raise RuntimeError("did not start: " + out.read_text())

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(timeout=120)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=5)


class Host(Process):
    def __init__(self, folder, *options):
        (folder / "host.scenario").write_text(SCENARIO, encoding="utf-8")
        self.record = folder / "host.rec"
        super().__init__([HOST, "--port", "0", "--scenario", str(folder / "host.scenario"), "--record",
                          str(self.record), *options], folder / "host.out")

    def requests_seen(self):
        return self.record.read_text(errors="replace").count("REQ type=I") if self.record.exists() else 0


class Agent(Process):
    def __init__(self, state_dir, host_port, *options, env=None):
        self.state_dir = state_dir
        args = [*AGENT_COMMAND, "--state-dir", agent_path(state_dir), "--port", "0",
                "--payment-host", f"127.0.0.1:{host_port}", *options]
        state_dir.mkdir(exist_ok=True)
        super().__init__(args, state_dir.parent / f"agent-{time.monotonic_ns()}.out", env)
        self.url = f"http://127.0.0.1:{self.port}"
        self.token = (state_dir / "agent.token").read_text().strip()
        self.seen = set()  # the documented operations called

    def request(self, method, path, status=None, *, auth=True, headers=None, **kwargs):
        sent = {"Authorization": "Bearer " + self.token} if auth else {}
        answer = requests.request(method, self.url + path, headers={**sent, **(headers or {})}, timeout=90, **kwargs)
        self.seen.add((as_documented(method.lower(), path, answer), method.lower()))
        assert status is None or answer.status_code == status, (method, path, answer.status_code, answer.text[:500])
        return answer

    def post(self, path, body):
        return self.request("POST", path, json=body)

    def get(self, path, **params):
        return self.request("GET", path, params=params)

    def create(self, body):
        return self.request("POST", "/v1/transactions", 201, json=body).json()["id"]

    def wait_state(self, tx_id, *states, seconds=60):
        """The transaction once it is in one of `states`."""
        deadline = time.monotonic() + seconds
        # ?wait= answers the next change: asked only when the state is not
        # already the one looked for.
        tx = self.get(f"/v1/transactions/{tx_id}").json()
        while tx["state"] not in states and time.monotonic() < deadline:
            tx = self.get(f"/v1/transactions/{tx_id}", wait=5).json()
        if tx["state"] in states:
            return tx
        raise AssertionError(f"{tx_id} stayed {tx['state']}, not {states}")

    def inbox(self):
        return self.get("/v1/transactions", state="in_doubt").json()["transactions"]

    def events(self, **params):
        """A WebSocket on /v1/events, opened with a fresh ticket; `params` such as after=SEQ."""
        query = urllib.parse.urlencode({"ticket": self.post("/v1/event-tickets", {}).json()["ticket"], **params})
        self.seen.add(("/v1/events", "get"))
        # websocket-client sends an Origin of its own unless told not to.
        return websocket.create_connection(f"ws://127.0.0.1:{self.port}/v1/events?{query}", timeout=60,
                                           suppress_origin=True)


def receive_until(ws, done, seconds=60):
    """Events from `ws`, each as documented, up to the first for which done(event) is true."""
    got = []
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        ws.settimeout(max(0.1, deadline - time.monotonic()))
        event = json.loads(ws.recv())
        validate(event, {"$ref": "#/components/schemas/Event"})
        got.append(event)
        if done(event):
            return got
    raise AssertionError(f"no such event in {got}")


@pytest.fixture
def started():
    """The processes a test started, stopped at its end, the last first."""
    processes = []
    yield processes
    for p in reversed(processes):
        p.stop()


@pytest.fixture
def start_host(tmp_path, started):
    def start(*options):
        folder = tmp_path / f"host{len(started)}"
        folder.mkdir()
        started.append(Host(folder, *options))
        return started[-1]

    return start


@pytest.fixture
def start_agent(tmp_path, started):
    """start(host, *options): an agent with a state folder of its own unless `state_dir` names one."""
    def start(host, *options, state_dir=None, env=None):
        started.append(Agent(state_dir or tmp_path / f"state{len(started)}", host.port, *options, env=env))
        return started[-1]

    return start


@pytest.fixture
def host(start_host):
    return start_host()


@pytest.fixture
def agent(start_agent, host):
    return start_agent(host)
