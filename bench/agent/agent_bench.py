#!/usr/bin/python3
"""zpos-agent measured against zpos-host on loopback, and reported, never
asserted: what an approval and its acknowledgement cost through the agent
beyond the same two library calls made directly, how many status requests a
second it answers while a call runs, whether 100 event subscribers each get
every event in order, and its resident memory over 10,000 transactions.

    agent_bench.py --build build/ci [--transactions 10000] [--round-trips 300]
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

import websocket

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "bindings" / "python"))
sys.path.insert(0, str(ROOT / "tests" / "agent"))
import zposapp  # noqa: E402  (the binding, from the source tree)

TERMINAL = "1200000001"
SETTLED = ("completed", "declined", "failed", "in_doubt")
conftest = None  # the agent tests' process helpers, once the build is known


def settle(agent, tid, *states):
    """Polls the transaction until it is in one of `states`: plain status
    requests half a millisecond apart, so that what is measured is the agent's
    work rather than how soon a long poll wakes."""
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        tx = agent.get("/v1/transactions/" + tid).json()
        if tx["state"] in states:
            return tx
        time.sleep(0.0005)
    raise RuntimeError("transaction %s stayed %s" % (tid, tx["state"]))


def sale(agent, key, acknowledge="manual"):
    """One card approval and its acknowledgement, as a POS runs it."""
    tid = agent.create(conftest.sale(key, acknowledge=acknowledge))
    if acknowledge == "manual":
        settle(agent, tid, "approved", *SETTLED)
        agent.http.post("%s/v1/transactions/%s/acknowledge" % (agent.url, tid), timeout=30).raise_for_status()
    tx = settle(agent, tid, *SETTLED)
    if tx["state"] != "completed":
        raise RuntimeError("sale %s ended %s" % (key, tx["state"]))
    return tid


def rss_kib(agent):
    status = Path("/proc/%d/status" % agent.proc.pid).read_text()
    return int(re.search(r"VmRSS:\s+(\d+) kB", status).group(1))


def start(work, name, *host_options):
    folder = work / name
    folder.mkdir()
    host = conftest.Host(folder, *host_options)
    return host, conftest.Agent(folder / "state", host.port)


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(len(ordered) * p / 100))]


def timed(call, count):
    times = []
    for i in range(count):
        start = time.perf_counter()
        call(i)
        times.append((time.perf_counter() - start) * 1000)
    return times


def overhead(agent, host, work, count):
    pos = zposapp.ZPosApp(os.environ["ZPOSAPP_LIBRARY"], app_dir=work / "direct")

    def direct(_):
        response = pos.send("127.0.0.1", host.port, zposapp.CardApproval(conftest.TRACK, 1004, term_id=TERMINAL))
        if not response.approved or pos.ack() != zposapp.AckResult.CLOSED:
            raise RuntimeError("direct sale failed: %r" % (response,))

    direct(0)  # both paths warm before they are measured
    sale(agent, "warm-up")
    direct_ms = timed(direct, count)
    agent_ms = timed(lambda i: sale(agent, "overhead-%d" % i), count)
    print("approval + acknowledge, %d of each, ms:" % count)
    for name, ms in (("library calls", direct_ms), ("through the agent", agent_ms)):
        print("  %-18s p50 %7.2f  p90 %7.2f  p99 %7.2f" % (name, percentile(ms, 50), percentile(ms, 90),
                                                          percentile(ms, 99)))
    print("  agent overhead     p50 %7.2f ms (goal <= 2 ms)" % (percentile(agent_ms, 50) - percentile(direct_ms, 50)))


def status_rate(work, seconds=5):
    """wrk against GET /v1/transactions/{id} while that transaction's call
    waits for a host that holds its reply back 9 s (the library waits 10)."""
    host, agent = start(work, "status", "--reply-delay", "9000")
    try:
        tid = agent.create(conftest.sale("slow", acknowledge="auto"))
        out = subprocess.run(["wrk", "-t2", "-c16", "-d%ds" % seconds, "-H",
                              "Authorization: " + agent.http.headers["Authorization"],
                              "%s/v1/transactions/%s" % (agent.url, tid)],
                             capture_output=True, text=True, timeout=seconds + 30, check=True).stdout
        state = agent.get("/v1/transactions/" + tid).json()["state"]
        rate = re.search(r"Requests/sec:\s+([\d.]+)", out).group(1)
        errors = re.search(r"Non-2xx or 3xx responses: (\d+)", out)
        print("status requests while a call runs: %s/s over %d s, 16 connections (goal >= 5,000/s); non-2xx %s; "
              "the call was %s" % (rate, seconds, errors.group(1) if errors else 0,
                                   "still running" if state == "pending" else "over (" + state + ")"))
        settle(agent, tid, *SETTLED)
    finally:
        agent.stop()
        host.stop()


def subscribers(agent, count=100, sales=20):
    """`count` WebSocket subscribers, then `sales` approvals with automatic
    acknowledgement: each subscriber must see the same events, seq rising by
    one."""
    sockets = [agent.events() for _ in range(count)]
    for ws in sockets:
        ws.settimeout(1)
    received = [[] for _ in sockets]
    done = threading.Event()

    def listen(i):
        # Until the sales are over and a second passes without an event.
        deadline = time.monotonic() + 300
        while time.monotonic() < deadline:
            try:
                received[i].append(json.loads(sockets[i].recv())["seq"])
            except websocket.WebSocketTimeoutException:
                if done.is_set():
                    return
            except Exception as error:  # a dropped subscriber is reported below
                received[i].append(repr(error))
                return

    threads = [threading.Thread(target=listen, args=(i,)) for i in range(count)]
    for t in threads:
        t.start()
    begin = time.perf_counter()
    for i in range(sales):
        sale(agent, "events-%d" % i, acknowledge="auto")
    elapsed = time.perf_counter() - begin
    done.set()
    for t in threads:
        t.join(310)
    for ws in sockets:
        ws.close()
    kept_up = [r for r in received if r and all(isinstance(seq, int) for seq in r)]
    in_order = [r for r in kept_up if r == list(range(r[0], r[0] + len(r)))]
    same = bool(in_order) and all(r == in_order[0] for r in in_order)
    print("events to %d subscribers over %d sales (%.1f s): %d kept up, %d in order without a gap, %s; "
          "%d events each" % (count, sales, elapsed, len(kept_up), len(in_order),
                              "all the same sequence" if same else "sequences differ",
                              len(in_order[0]) if in_order else 0))
    dropped = [r[-1] for r in received if r and not isinstance(r[-1], int)]
    if dropped:
        print("  %d subscribers ended early, e.g. %s" % (len(dropped), dropped[0]))


def memory(agent, total):
    step = max(1, total // 10)
    samples = [(0, rss_kib(agent))]
    begin = time.perf_counter()
    for i in range(1, total + 1):
        sale(agent, "rss-%d" % i, acknowledge="auto")
        if i % step == 0:
            samples.append((i, rss_kib(agent)))
    elapsed = time.perf_counter() - begin
    print("RSS over %d transactions (%.0f s, %.1f ms each): %s" % (
        total, elapsed, elapsed * 1000 / total, ", ".join("%d: %.1f MB" % (n, kib / 1024) for n, kib in samples)))
    print("  after %d: %.1f MB (goal <= 20 MB, flat); growth over the second half: %.1f MB" % (
        total, samples[-1][1] / 1024, (samples[-1][1] - samples[len(samples) // 2][1]) / 1024))


def main():
    global conftest
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, type=Path, help="a build folder with zpos-agent and zpos-host")
    parser.add_argument("--transactions", type=int, default=10000, help="for the memory run (default 10000)")
    parser.add_argument("--round-trips", type=int, default=300, help="for the overhead run (default 300)")
    args = parser.parse_args()
    build = args.build.resolve()
    os.environ.update(ZPOS_AGENT=str(build / "agent/zpos-agent"), ZPOS_HOST=str(build / "tools/host/zpos-host"),
                      ZPOSAPP_LIBRARY=str(build / "libZPosApp.so.1"))
    import conftest as helpers
    conftest = helpers
    work = Path(tempfile.mkdtemp(prefix="zpos-agent-bench."))
    try:
        status_rate(work)
        host, agent = start(work, "main")
        try:
            # First, while the agent holds no events that a new socket would get replayed.
            subscribers(agent)
            overhead(agent, host, work, args.round_trips)
            memory(agent, args.transactions)
        finally:
            agent.stop()
            host.stop()
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
