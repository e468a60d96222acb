"""zpos-host and zpos-agent as processes for the demo page's browser tests,
and the one headless Chromium they all share."""
import json
import os
import re
import subprocess
import time
import urllib.error
import urllib.request
from pathlib import Path

import pytest

AGENT = os.environ.get("ZPOS_AGENT", "")
HOST = os.environ.get("ZPOS_HOST", "")
SCENARIO = Path(__file__).resolve().parents[2] / "pos" / "host.scenario"
SCREENSHOTS = Path(os.environ.get("ZPOS_SCREENSHOTS", "screenshots"))
START_SECONDS = 10


class Process:
    """A program whose first output line names its port; stopped with SIGTERM."""

    def __init__(self, args, folder, name, env=None):
        self.out = folder / f"{name}.out"
        self.err = folder / f"{name}.err"
        with open(self.out, "w") as out, open(self.err, "w") as err:
            self.proc = subprocess.Popen(args, stdout=out, stderr=err, env={**os.environ, **(env or {})})
        self.port = self._port()

    def _port(self):
        deadline = time.monotonic() + START_SECONDS
        while time.monotonic() < deadline:
            found = re.search(r"listening on (?:http://)?127\.0\.0\.1:(\d+)", self.out.read_text())
            if found:
                return int(found.group(1))
            if self.proc.poll() is not None:
                break
            time.sleep(0.05)
        self.stop()
        raise RuntimeError(f"did not start: {self.out.read_text()} {self.err.read_text()}")

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=5)


class Agent(Process):
    def __init__(self, folder, host_port, name="agent", demo=True, env=None):
        self.state_dir = folder / "state"
        self.state_dir.mkdir(exist_ok=True)
        args = [AGENT, "--state-dir", str(self.state_dir), "--port", "0", "--payment-host", f"127.0.0.1:{host_port}"]
        super().__init__(args + (["--demo"] if demo else []), folder, name, env)
        self.url = f"http://127.0.0.1:{self.port}"

    def api(self, method, path, body=None):
        """A call with the agent's own token, as a POS service would make it: (status, JSON)."""
        token = (self.state_dir / "agent.token").read_text().strip()
        request = urllib.request.Request(self.url + path, method=method, headers={"Authorization": f"Bearer {token}"})
        if body is not None:
            request.data = json.dumps(body).encode()
            request.add_header("Content-Type", "application/json")
        try:
            with urllib.request.urlopen(request, timeout=30) as answer:
                return answer.status, json.load(answer)
        except urllib.error.HTTPError as error:
            return error.code, json.load(error)


class Stack:
    """The processes of one test, stopped when it ends."""

    def __init__(self, folder):
        self.folder = folder
        self.started = []

    def host(self, *args):
        host = Process([HOST, "--port", "0", "--scenario", str(SCENARIO), *args], self.folder, "host")
        self.started.append(host)
        return host

    def agent(self, host, name="agent", **options):
        """An agent on `host`; a second one in the same test reuses the first one's state folder."""
        agent = Agent(self.folder, host.port, name, **options)
        self.started.append(agent)
        return agent

    def start(self, *host_args, **agent_options):
        return self.agent(self.host(*host_args), **agent_options)


@pytest.fixture
def stack(tmp_path):
    processes = Stack(tmp_path)
    yield processes
    for process in reversed(processes.started):
        process.stop()


@pytest.fixture(scope="session")
def browser():
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=900,1300", "--lang=ko-KR"):
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service(executable_path="/usr/bin/chromedriver"), options=options)
    driver.set_script_timeout(15)
    SCREENSHOTS.mkdir(parents=True, exist_ok=True)
    driver.screenshot = lambda name: driver.save_screenshot(str(SCREENSHOTS / f"{name}.png"))
    yield driver
    driver.quit()
