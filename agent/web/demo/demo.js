// The demo checkout: one sale at a time through zpos-agent, its progress from
// the event socket, the receipt (then the acknowledgement a POS sends once the
// receipt is out), a decline with the host's message, and the in-doubt inbox.
// The card number leaves the page as soon as it is read.
import { AgentClient, BusyError, ValidationError } from "./zposapp-agent.js";

const $ = (id) => document.getElementById(id);
const token = document.querySelector('meta[name="zpos-demo-token"]').content;
const agent = new AgentClient({ url: location.origin, token });

// Event lines by transaction id: events can arrive before the sale's answer
// tells the page which id is its own.
const lines = new Map();
let current = null;

const won = (amount) => (amount === undefined ? "" : `${Number(amount).toLocaleString("ko-KR")}원`);
const when = (time) => (time ? new Date(time).toLocaleString("ko-KR") : "");

function setState(text) {
  $("state").textContent = text;
}

function addLine(id, kind, text) {
  if (!lines.has(id)) lines.set(id, []);
  lines.get(id).push({ kind, text });
  if (id === current) renderLine(kind, text);
}

function renderLine(kind, text) {
  if (kind === "log") {
    $("log").textContent += `${text}\n`;
    return;
  }
  const item = document.createElement("li");
  item.className = kind;
  item.textContent = text;
  $("progress").append(item);
}

function follow(id) {
  current = id;
  for (const { kind, text } of lines.get(id) ?? []) renderLine(kind, text);
}

function clearCall() {
  current = null;
  $("progress").replaceChildren();
  $("log").textContent = "";
  $("field-errors").textContent = "";
  $("outcome").hidden = true;
  $("receipt").hidden = true;
  $("decline-title").hidden = true;
  for (const id of ["auth-no", "issuer", "card", "receipt-amount", "datetime", "merchant", "message", "reason"]) {
    $(id).textContent = "";
  }
}

function showOutcome(transaction) {
  setState(transaction.state);
  $("outcome").hidden = false;
  $("message").textContent = transaction.message ?? "";
  const reason = transaction.in_doubt_reason ?? (transaction.state === "failed" ? transaction.result?.text : "");
  $("reason").textContent = reason ?? "";
  if (transaction.approved) {
    $("receipt").hidden = false;
    $("auth-no").textContent = transaction.auth_no ?? "";
    $("issuer").textContent = transaction.issuer_name ?? "";
    $("card").textContent = transaction.card ?? "";
    $("receipt-amount").textContent = won(transaction.amount);
    $("datetime").textContent = transaction.tran_datetime ?? "";
    $("merchant").textContent = transaction.merchant_no ?? "";
  } else if (transaction.state === "declined") {
    $("decline-title").hidden = false;
  }
}

function showError(error) {
  if (error instanceof BusyError) {
    setState(`busy: transaction ${error.active} is still running`);
  } else if (error instanceof ValidationError) {
    setState("refused");
    $("field-errors").textContent = Object.entries(error.fields)
      .map(([name, message]) => `${name}: ${message}`)
      .join("\n");
  } else {
    setState(`error: ${error.message}`);
  }
}

async function pay(event) {
  event.preventDefault();
  const track2 = $("track2").value.trim();
  $("track2").value = "";
  clearCall();
  $("pay").disabled = true;
  setState("sending");
  try {
    const sale = await agent.sale({
      amount: Number($("amount").value),
      track2,
      terminal_id: $("terminal-id").value,
    });
    follow(sale.id);
    setState(sale.state);
    let transaction = await agent.outcome(sale.id);
    showOutcome(transaction);
    if (transaction.state === "approved") {
      // The receipt is on screen: this is where a POS prints it and then confirms.
      await agent.acknowledge(sale.id);
      transaction = await agent.outcome(sale.id);
      setState(transaction.state);
    }
  } catch (error) {
    showError(error);
  } finally {
    $("pay").disabled = false;
    refreshInbox();
  }
}

function inboxRow(transaction) {
  const row = $("in-doubt-row").content.firstElementChild.cloneNode(true);
  row.dataset.id = transaction.id;
  const approval = transaction.auth_no ? ` · 승인 ${transaction.auth_no}` : "";
  row.querySelector(".summary").textContent =
    `${when(transaction.created_at)} · ${won(transaction.amount)} · ${transaction.card ?? ""}${approval}`;
  row.querySelector(".why").textContent = transaction.in_doubt_reason ?? "";
  for (const button of row.querySelectorAll("button")) {
    button.addEventListener("click", async () => {
      button.disabled = true;
      try {
        await agent.resolve(transaction.id, button.dataset.resolution, row.querySelector(".note").value);
      } catch (error) {
        showError(error);
      }
      refreshInbox();
    });
  }
  return row;
}

async function refreshInbox() {
  try {
    const transactions = await agent.inDoubt();
    $("in-doubt").replaceChildren(...transactions.map(inboxRow));
  } catch (error) {
    showError(error);
  }
}

function start() {
  if (token.startsWith("__")) {
    setState("no demo token: start zpos-agent with --demo and open the page it serves");
    $("pay").disabled = true;
    return;
  }
  $("sale-form").addEventListener("submit", pay);
  agent.events({
    onEvent(event) {
      if (event.type === "state" && (event.state === "in_doubt" || event.state === "resolved")) refreshInbox();
      if (!event.transaction_id) return;
      const text = event.type === "state" ? event.state : event.type === "progress" ? event.text : event.line;
      addLine(event.transaction_id, event.type, text);
    },
  });
  refreshInbox();
}

start();
