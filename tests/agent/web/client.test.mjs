// zposapp-agent.js against the real agent, library and zpos-host, with the
// `ws` package's WebSocket passed in, as a Node service or Electron main process
// does (the demo page's test runs the browser's own).
import { test, after } from "node:test";
import assert from "node:assert/strict";
import { spawn, execFileSync } from "node:child_process";
import { createRequire } from "node:module";
import { mkdtempSync, readFileSync, writeFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { fileURLToPath } from "node:url";
import {
  AgentClient, AgentError, AuthError, BusyError, ConflictError, NotFoundError, UnreachableError, ValidationError,
} from "../../../agent/web/zposapp-agent.js";

const WEB = fileURLToPath(new URL("../../../agent/web/", import.meta.url));
const SCENARIO = fileURLToPath(new URL("../../pos/host.scenario", import.meta.url));
const TRACK = "9410123456789012=2812101";
const TERMINAL = "1200000001";
const START_MS = 10_000;
const TEST_MS = 60_000;
const { WebSocket } = createRequire(import.meta.url)("/usr/share/nodejs/ws"); // Debian's node-ws

const work = mkdtempSync(join(tmpdir(), "zpos-web-client-"));
const processes = [];
const subscriptions = [];
after(() => {
  for (const stream of subscriptions) stream.close();
  // SIGKILL: a failed test may leave an approval that holds SIGTERM back; the journal is crash-safe.
  for (const child of processes) child.kill("SIGKILL");
  rmSync(work, { recursive: true, force: true });
});

// Starts a program whose first line names its port; answers {child, port}.
function start(program, args, env = {}) {
  const child = spawn(program, args, { env: { ...process.env, ...env }, stdio: ["ignore", "pipe", "inherit"] });
  processes.push(child);
  return new Promise((resolve, reject) => {
    let out = "";
    const timer = setTimeout(() => reject(new Error(`${program} did not start: ${out}`)), START_MS);
    child.stdout.on("data", (chunk) => {
      out += chunk;
      const found = /listening on (?:http:\/\/)?127\.0\.0\.1:(\d+)/.exec(out);
      if (found) {
        clearTimeout(timer);
        resolve({ child, port: Number(found[1]) });
      }
    });
    child.on("exit", () => reject(new Error(`${program} exited: ${out}`)));
  });
}

const exited = (child) => new Promise((resolve, reject) => {
  if (child.exitCode !== null || child.signalCode !== null) return resolve();
  const timer = setTimeout(() => reject(new Error("the agent did not exit")), START_MS);
  child.once("exit", () => resolve(clearTimeout(timer)));
});

let counter = 0;
async function agentOn(hostPort, { port = 0, env = {}, stateDir } = {}) {
  stateDir ??= mkdtempSync(join(work, "state-"));
  const { child, port: agentPort } = await start(process.env.ZPOS_AGENT,
    ["--state-dir", stateDir, "--port", String(port), "--payment-host", `127.0.0.1:${hostPort}`], env);
  const url = `http://127.0.0.1:${agentPort}`;
  const token = readFileSync(join(stateDir, "agent.token"), "utf8").trim();
  return { child, port: agentPort, url, token, stateDir, client: new AgentClient({ url, token, WebSocket }) };
}

const host = await start(process.env.ZPOS_HOST, ["--port", "0", "--scenario", SCENARIO]);
const agent = await agentOn(host.port);
const sale = (fields = {}) =>
  agent.client.sale({ amount: 1004, track2: TRACK, terminal_id: TERMINAL, idempotency_key: `node-${++counter}`, ...fields });

// Collects events until `until(events)` holds (bounded), then closes the subscription.
function subscribe(client) {
  const events = [];
  let opened;
  const open = new Promise((resolve) => (opened = resolve));
  const stream = client.events({ onEvent: (event) => events.push(event), onOpen: () => opened() });
  subscriptions.push(stream);
  const until = async (done, ms = 15_000) => {
    for (const deadline = Date.now() + ms; !done(events); ) {
      assert.ok(Date.now() < deadline, `events: ${JSON.stringify(events.map((e) => [e.seq, e.type, e.state]))}`);
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
  };
  return { events, open, stream, until };
}

const stateOf = (id, state) => (events) => events.some((e) => e.transaction_id === id && e.type === "state" && e.state === state);

test("a sale is approved, refuses a second one while it waits, and completes; its events arrive once each, in seq order, across a dropped socket", { timeout: TEST_MS }, async () => {
  const events = subscribe(agent.client);
  await events.open;
  const created = await sale({ idempotency_key: "node-first" });
  assert.equal(created.state, "pending");
  assert.equal((await agent.client.outcome(created.id)).state, "approved"); // its fields: the README's sale below

  const busy = await sale().catch((error) => error);
  assert.ok(busy instanceof BusyError, String(busy));
  assert.equal(busy.active, created.id);

  await events.until(stateOf(created.id, "approved"));
  events.stream.socket.close(); // the network drops; the events of the acknowledgement come after it
  await agent.client.acknowledge(created.id);
  assert.equal((await agent.client.outcome(created.id)).state, "completed");
  await events.until(stateOf(created.id, "completed"));
  events.stream.close();

  const seqs = events.events.map((e) => e.seq);
  assert.deepEqual(seqs, seqs.map((_, i) => seqs[0] + i), "no event lost or repeated");
  const states = events.events.filter((e) => e.type === "state" && e.transaction_id === created.id).map((e) => e.state);
  assert.deepEqual(states, ["pending", "approved", "acknowledging", "completed"]);
});

test("each refusal is its own error class with what the caller needs", { timeout: TEST_MS }, async () => {
  const completed = await sale({ idempotency_key: "node-first" });
  const cases = [
    ["bad fields", () => sale({ amount: -5, track2: "" }), ValidationError, (e) => assert.ok("amount" in e.fields && "track2" in e.fields, JSON.stringify(e.fields))],
    ["wrong token", () => new AgentClient({ url: agent.url, token: "0".repeat(64) }).inDoubt(), AuthError, (e) => assert.equal(e.status, 401)],
    ["unknown id", () => agent.client.get("no-such-transaction"), NotFoundError, (e) => assert.equal(e.code, "not_found")],
    ["key reused with another body", () => sale({ idempotency_key: "node-first", amount: 2000 }), ConflictError, (e) => assert.equal(e.code, "idempotency_conflict")],
    ["acknowledging it again", () => agent.client.acknowledge(completed.id), ConflictError, (e) => assert.equal(e.state, "completed")],
    ["resolving what is not in doubt", () => agent.client.resolve(completed.id, "dismissed"), ConflictError, (e) => assert.equal(e.state, "completed")],
    ["no agent there", () => new AgentClient({ url: "http://127.0.0.1:1", token: "x" }).get("a"), UnreachableError, (e) => assert.equal(e.code, "unreachable")],
  ];
  if (!globalThis.WebSocket) { // Node 20 without --experimental-websocket, as this test runs there
    cases.push(["events without a WebSocket", () => new AgentClient({ url: agent.url, token: "x" }).events({ onEvent() {} }), AgentError, (e) => assert.equal(e.code, "no_websocket")]);
  }
  for (const [name, call, kind, check] of cases) {
    const error = await Promise.resolve().then(call).then(() => null, (e) => e);
    assert.ok(error instanceof kind, `${name}: ${error}`);
    check(error);
  }
});

test("a subscriber resumes by itself on the new boot of an agent killed after an approval, and learns it is in doubt", { timeout: TEST_MS }, async () => {
  // A host of its own: the host serves one connection at a time.
  const ownHost = await start(process.env.ZPOS_HOST, ["--port", "0", "--scenario", SCENARIO]);
  const killed = await agentOn(ownHost.port, { env: { ZPOS_AGENT_KILL_AT: "approved" } });
  const events = subscribe(killed.client);
  await events.open;
  const { id } = await killed.client.sale({ amount: 1004, track2: TRACK, terminal_id: TERMINAL });
  await exited(killed.child);
  await agentOn(ownHost.port, { port: killed.port, stateDir: killed.stateDir });

  await events.until(stateOf(id, "in_doubt"));
  const boots = new Set(events.events.map((e) => e.boot_id));
  assert.equal(boots.size, 2, "the resumed events come from the new boot");
  events.stream.close();
});

test("the packed client installs into a fresh folder and its README sale prints what the README says", { timeout: TEST_MS }, async () => {
  const folder = mkdtempSync(join(work, "fresh-"));
  const tarball = execFileSync("npm", ["pack", "--pack-destination", folder, WEB], { cwd: folder, encoding: "utf8" }).trim().split("\n").at(-1);
  execFileSync("npm", ["install", "--offline", "--no-audit", "--no-fund", join(folder, tarball)], { cwd: folder, stdio: "ignore" });
  const readme = readFileSync(join(WEB, "README.md"), "utf8");
  writeFileSync(join(folder, "example.mjs"), /```js\n([\s\S]*?)```/.exec(readme)[1]);
  const env = { ...process.env, ZPOS_AGENT_URL: agent.url, ZPOS_AGENT_TOKEN: agent.token };
  const example = execFileSync(process.execPath, ["example.mjs"], { cwd: folder, env, encoding: "utf8", timeout: 60_000 });
  assert.equal(example, /it prints:\n\n((?: {4}.*\n)+)/.exec(readme)[1].replace(/^ {4}/gm, ""));
});
