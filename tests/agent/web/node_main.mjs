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
const states = [];
let completed;
const done = new Promise((resolve) => (completed = resolve));
let opened;
const open = new Promise((resolve) => (opened = resolve));
const events = agent.events({
  onOpen: opened,
  onEvent(event) {
    if (event.type !== "state") return;
    states.push(event.state);
    if (event.state === "completed") completed();
  },
});
await open;
await agent.sale({ amount: 2000, track2: "9410123456789012=2812101", terminal_id: "1200000001", acknowledge: "auto" });
await Promise.race([done, new Promise((_, reject) => setTimeout(() => reject(new Error(states.join(" "))), 20_000))]);
events.close();
console.log("states:", states.join(" "));
