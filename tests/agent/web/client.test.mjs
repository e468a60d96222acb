// zposapp-agent.js against the real agent, library and zpos-host, with the
// runtime's WebSocket where it has one, else the `ws` package's.
import { test, after } from "node:test";
import assert from "node:assert/strict";
import { spawn, execFileSync } from "node:child_process";
import { createRequire } from "node:module";
import { mkdtempSync, readFileSync, writeFileSync, copyFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { fileURLToPath } from "node:url";
import {
  AgentClient, AuthError, BusyError, ConflictError, NotFoundError, UnreachableError, ValidationError,
} from "../../../agent/web/zposapp-agent.js";

const HERE = fileURLToPath(new URL(".", import.meta.url));
const WEB = fileURLToPath(new URL("../../../agent/web/", import.meta.url));
const SCENARIO = fileURLToPath(new URL("../../pos/host.scenario", import.meta.url));
const TRACK = "9410123456789012=2812101";
const TERMINAL = "1200000001";
const START_MS = 10_000;
const TEST_MS = 60_000;
const NODE_PATH = "/usr/share/nodejs"; // Debian's node-ws
const WebSocket = globalThis.WebSocket ?? createRequire(join(NODE_PATH, "x"))("ws").WebSocket;

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
  const approved = await agent.client.outcome(created.id);
  assert.deepEqual([approved.state, approved.approved, approved.auth_no, approved.issuer_name, approved.message],
    ["approved", true, "12345678", "국민카드", "정상승인"]);
  assert.match(approved.card, /^941012\D+9012$/);

  const busy = await sale().catch((error) => error);
  assert.ok(busy instanceof BusyError, String(busy));
  assert.equal(busy.active, created.id);
  const replay = await sale({ idempotency_key: "node-first" });
  assert.equal(replay.id, created.id);

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

test("a decline carries the host's Korean message, and each refusal is its own error class with what the caller needs", { timeout: TEST_MS }, async () => {
  const declined = await agent.client.outcome((await sale({ track2: "5410123456789012=2812101" })).id);
  // The message is the record's two message lines, the second empty.
  assert.deepEqual([declined.state, declined.approved, declined.message], ["declined", false, "사용불가카드,"]);
  const cases = [
    ["bad fields", () => sale({ amount: -5, track2: "" }), ValidationError, (e) => assert.ok("amount" in e.fields && "track2" in e.fields, JSON.stringify(e.fields))],
    ["wrong token", () => new AgentClient({ url: agent.url, token: "0".repeat(64) }).inDoubt(), AuthError, (e) => assert.equal(e.status, 401)],
    ["unknown id", () => agent.client.get("no-such-transaction"), NotFoundError, (e) => assert.equal(e.code, "not_found")],
    ["key reused with another body", () => sale({ idempotency_key: "node-first", amount: 2000 }), ConflictError, (e) => assert.equal(e.code, "idempotency_conflict")],
    ["acknowledging a decline", () => agent.client.acknowledge(declined.id), ConflictError, (e) => assert.equal(e.state, "declined")],
    ["resolving what is not in doubt", () => agent.client.resolve(declined.id, "dismissed"), ConflictError, (e) => assert.equal(e.state, "declined")],
    ["no agent there", () => new AgentClient({ url: "http://127.0.0.1:1", token: "x" }).get("a"), UnreachableError, (e) => assert.equal(e.code, "unreachable")],
  ];
  for (const [name, call, kind, check] of cases) {
    const error = await call().then(() => null, (e) => e);
    assert.ok(error instanceof kind, `${name}: ${error}`);
    check(error);
  }
});

test("an agent killed after an approval comes back with it in the inbox, and a subscriber resumes on the new boot by itself", { timeout: TEST_MS }, async () => {
  // A host of its own: the host serves one connection at a time.
  const ownHost = await start(process.env.ZPOS_HOST, ["--port", "0", "--scenario", SCENARIO]);
  const killed = await agentOn(ownHost.port, { env: { ZPOS_AGENT_KILL_AT: "approved" } });
  const events = subscribe(killed.client);
  await events.open;
  const { id } = await killed.client.sale({ amount: 1004, track2: TRACK, terminal_id: TERMINAL });
  await exited(killed.child);
  const restarted = await agentOn(ownHost.port, { port: killed.port, stateDir: killed.stateDir });

  await events.until(stateOf(id, "in_doubt"));
  const boots = new Set(events.events.map((e) => e.boot_id));
  assert.equal(boots.size, 2, "the resumed events come from the new boot");
  const inbox = await restarted.client.inDoubt();
  assert.deepEqual(inbox.map((t) => [t.id, t.auth_no, t.in_doubt_reason]), [[id, "12345678", "approved, never acknowledged"]]);
  const resolved = await restarted.client.resolve(id, "confirmed_with_help_desk", "승인 확인");
  assert.equal(resolved.state, "resolved");
  await events.until(stateOf(id, "resolved"));
  events.stream.close();
  assert.deepEqual(await restarted.client.inDoubt(), []);
  restarted.child.kill("SIGTERM");
  await exited(restarted.child);
});

test("the packed client installs into a fresh folder and runs its README sale and events from plain Node", { timeout: TEST_MS }, async () => {
  const folder = mkdtempSync(join(work, "fresh-"));
  const tarball = execFileSync("npm", ["pack", "--pack-destination", folder, WEB], { cwd: folder, encoding: "utf8" }).trim().split("\n").at(-1);
  execFileSync("npm", ["install", "--offline", "--no-audit", "--no-fund", join(folder, tarball)], { cwd: folder, stdio: "ignore" });
  const readme = readFileSync(join(WEB, "README.md"), "utf8");
  writeFileSync(join(folder, "example.mjs"), /```js\n([\s\S]*?)```/.exec(readme)[1]);
  copyFileSync(join(HERE, "node_main.mjs"), join(folder, "node_main.mjs"));
  const env = { ...process.env, ZPOS_AGENT_URL: agent.url, ZPOS_AGENT_TOKEN: agent.token, NODE_PATH };
  // Plain node, no --experimental-websocket: on Node 20 the process has no WebSocket unless one is passed in.
  const run = (...args) => execFileSync(process.execPath, args, { cwd: folder, env, encoding: "utf8", timeout: 60_000 });

  const example = run("example.mjs");
  const expected = /it prints:\n\n((?: {4}.*\n)+)/.exec(readme)[1].replace(/^ {4}/gm, "");
  assert.equal(example, expected);
  const plainHasWebSocket = run("-p", "typeof WebSocket") === "function\n";
  const refusal = plainHasWebSocket ? "" : "without a WebSocket: no_websocket\n";
  assert.equal(run("node_main.mjs"), `${refusal}states: pending approved acknowledging completed\n`);
});
