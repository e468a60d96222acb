// A Node process that is not a browser, as an Electron main process or a POS
// service is: the installed package, fetch from the runtime, and a WebSocket
// class passed in where the runtime has none (here the `ws` package).
import { createRequire } from "node:module";
import { AgentClient } from "zposapp-agent";

const url = process.env.ZPOS_AGENT_URL;
const token = process.env.ZPOS_AGENT_TOKEN;
if (!globalThis.WebSocket) {
  try {
    new AgentClient({ url, token }).events({ onEvent() {} });
  } catch (error) {
    console.log("without a WebSocket:", error.code);
  }
}

const { WebSocket } = createRequire(import.meta.url)("ws");
const agent = new AgentClient({ url, token, WebSocket });
// Events by transaction: the sale's id is known only once it is answered,
// and its first events may come before that.
const states = new Map();
let sale;
let completed;
const done = new Promise((resolve) => (completed = resolve));
const check = () => states.get(sale?.id)?.includes("completed") && completed();
let opened;
const open = new Promise((resolve) => (opened = resolve));
const events = agent.events({
  onOpen: opened,
  onEvent(event) {
    if (event.type !== "state") return;
    states.set(event.transaction_id, [...(states.get(event.transaction_id) ?? []), event.state]);
    check();
  },
});
await open;
sale = await agent.sale({ amount: 2000, track2: "9410123456789012=2812101", terminal_id: "1200000001", acknowledge: "auto" });
check();
const timeout = new Promise((_, reject) => setTimeout(() => reject(new Error(JSON.stringify([...states]))), 20_000).unref());
await Promise.race([done, timeout]);
events.close();
console.log("states:", states.get(sale.id).join(" "));
