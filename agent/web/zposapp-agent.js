// The zpos-agent client: its HTTP API and its event socket from a browser page,
// an Electron renderer or Node 20, as one ES module with no dependencies.
// It holds no card data beyond the call that sends it, and never puts the token
// in a URL: the event socket opens with a single-use ticket instead.

/** Every error the agent answers, with its stable code and HTTP status. */
export class AgentError extends Error {
  constructor(message, { status = 0, code = "", body = null } = {}) {
    super(message);
    this.name = new.target.name;
    this.status = status;
    this.code = code;
    this.body = body;
  }
}

/** A missing or wrong token (401), or a Host or Origin the agent refuses (403). */
export class AuthError extends AgentError {}

/** Another transaction runs or waits for its acknowledgement; `active` is its id. */
export class BusyError extends AgentError {
  constructor(message, init) {
    super(message, init);
    this.active = init.body?.active ?? "";
  }
}

/** A field the agent refused before anything was journalled; `fields` maps each to its message. */
export class ValidationError extends AgentError {
  constructor(message, init) {
    super(message, init);
    this.fields = init.body?.fields ?? {};
  }
}

/** The idempotency key was used with another body, or a step came too late for the transaction's `state`. */
export class ConflictError extends AgentError {
  constructor(message, init) {
    super(message, init);
    this.state = init.body?.state ?? "";
  }
}

export class NotFoundError extends AgentError {}

/** No answer at all: the agent is not running, or a browser refused the call (an origin the agent does not allow). */
export class UnreachableError extends AgentError {}

// The states in which the library call (or the acknowledgement) still runs.
const RUNNING = new Set(["pending", "acknowledging"]);

// A long-poll ends at a change from the state the agent finds when the request
// arrives, so a change that falls between two polls costs one whole poll: keep
// each short. The whole wait stays bounded by the caller's timeout.
const POLL_SECONDS = 2;

// Above the library's worst case for one call (102 s plus the connect).
const OUTCOME_TIMEOUT_SECONDS = 150;

const RECONNECT_FIRST_MS = 250;
const RECONNECT_MAX_MS = 10_000;

function errorFor(status, body) {
  const code = body?.error ?? `http_${status}`;
  const init = { status, code, body };
  const text = `zpos-agent answered ${status} ${code}`;
  if (status === 401 || status === 403) return new AuthError(text, init);
  if (code === "busy") return new BusyError(`${text}: ${init.body.active} is active`, init);
  if (code === "invalid") {
    const fields = Object.entries(body.fields ?? {}).map(([name, message]) => `${name}: ${message}`);
    return new ValidationError(`${text}: ${fields.join("; ")}`, init);
  }
  if (code === "idempotency_conflict" || code === "conflict") return new ConflictError(text, init);
  if (status === 404) return new NotFoundError(text, init);
  return new AgentError(text, init);
}

function randomKey() {
  if (globalThis.crypto?.randomUUID) return globalThis.crypto.randomUUID();
  const bytes = globalThis.crypto.getRandomValues(new Uint8Array(16));
  return Array.from(bytes, (b) => b.toString(16).padStart(2, "0")).join("");
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

export class AgentClient {
  /**
   * @param {{url: string, token: string, WebSocket?: any, fetch?: typeof fetch}} options
   * `url` is the agent's address (http://127.0.0.1:PORT); `WebSocket` is needed
   * only for events where the runtime has none (Node 20 without
   * --experimental-websocket).
   */
  constructor({ url, token, WebSocket, fetch } = {}) {
    if (!url) throw new TypeError("AgentClient needs the agent's url");
    if (!token) throw new TypeError("AgentClient needs a token");
    this.url = String(url).replace(/\/+$/, "");
    this.token = token;
    this.WebSocket = WebSocket ?? globalThis.WebSocket;
    this.fetch = fetch ?? globalThis.fetch.bind(globalThis);
  }

  async request(method, path, { body, timeoutSeconds = 30 } = {}) {
    const headers = { Authorization: `Bearer ${this.token}` };
    if (body !== undefined) headers["Content-Type"] = "application/json";
    let response;
    try {
      response = await this.fetch(this.url + path, {
        method,
        headers,
        body: body === undefined ? undefined : JSON.stringify(body),
        signal: AbortSignal.timeout(timeoutSeconds * 1000),
      });
    } catch (cause) {
      const error = new UnreachableError(`zpos-agent at ${this.url} did not answer ${method} ${path}: ${cause.message}`, {
        code: cause.name === "TimeoutError" ? "timeout" : "unreachable",
      });
      error.cause = cause;
      throw error;
    }
    const text = await response.text();
    let parsed = null;
    try {
      parsed = text ? JSON.parse(text) : null;
    } catch {
      parsed = { error: `http_${response.status}`, text };
    }
    if (!response.ok) throw errorFor(response.status, parsed);
    return parsed;
  }

  /**
   * Starts a transaction of any type with the agent's own field names; answers
   * `{id, state}` as soon as it is journalled. A caller that may send the same
   * sale again (a retry after a network error, a double click) passes its own
   * `idempotency_key`, e.g. the order number; without one a fresh key is made.
   */
  transaction(type, fields = {}) {
    const body = { idempotency_key: randomKey(), ...fields, type };
    return this.request("POST", "/v1/transactions", { body });
  }

  sale(fields) {
    return this.transaction("card_approval", fields);
  }

  /** A card cancellation; it needs the approval it cancels: `org_auth_no` and `org_auth_date` (YYMMDD). */
  cancel(fields) {
    return this.transaction("card_cancel", fields);
  }

  cash(fields) {
    return this.transaction("cash_approval", fields);
  }

  cashCancel(fields) {
    return this.transaction("cash_cancel", fields);
  }

  chequeInquiry(fields) {
    return this.transaction("cheque_inquiry", fields);
  }

  /** `operation` is earn, use, inquiry, earn_cancel or use_cancel. */
  points(operation, fields) {
    return this.transaction("points", { ...fields, operation });
  }

  /** Runs Zelta_download through the agent. */
  download(fields) {
    return this.request("POST", "/v1/downloads", { body: fields });
  }

  /** The transaction; with `wait` (seconds) the agent holds the answer until its state changes or the time is up. */
  get(id, { wait } = {}) {
    const query = wait ? `?wait=${encodeURIComponent(wait)}` : "";
    return this.request("GET", `/v1/transactions/${encodeURIComponent(id)}${query}`, {
      timeoutSeconds: (wait ?? 0) + 30,
    });
  }

  /**
   * The transaction once its call has returned: approved, declined, failed or
   * in doubt (or completed after an acknowledgement). Throws an AgentError with
   * code "timeout" when it still runs after `timeout` seconds.
   */
  async outcome(id, { timeout = OUTCOME_TIMEOUT_SECONDS } = {}) {
    const deadline = Date.now() + timeout * 1000;
    let transaction = await this.get(id);
    while (RUNNING.has(transaction.state)) {
      const left = Math.ceil((deadline - Date.now()) / 1000);
      if (left <= 0) {
        throw new AgentError(`transaction ${id} still ${transaction.state} after ${timeout} s`, { code: "timeout", body: transaction });
      }
      transaction = await this.get(id, { wait: Math.min(POLL_SECONDS, left) });
    }
    return transaction;
  }

  /**
   * Zelta_Ack for an answer 0000, once its receipt is out. The agent answers at
   * once (state acknowledging); `outcome(id)` then waits for completed or in_doubt.
   */
  acknowledge(id) {
    return this.request("POST", `/v1/transactions/${encodeURIComponent(id)}/acknowledge`, {
      timeoutSeconds: OUTCOME_TIMEOUT_SECONDS,
    });
  }

  /** Transactions by `state`, `since` (a date or time the agent takes) and `limit`. */
  async transactions({ state, since, limit } = {}) {
    const query = new URLSearchParams();
    if (state) query.set("state", state);
    if (since) query.set("since", since);
    if (limit) query.set("limit", String(limit));
    const answer = await this.request("GET", `/v1/transactions?${query}`);
    return answer.transactions;
  }

  /** The in-doubt inbox: approvals nobody confirmed, exchanges cut off, acknowledgements without an answer. */
  inDoubt(options = {}) {
    return this.transactions({ ...options, state: "in_doubt" });
  }

  /** `resolution` is confirmed_with_help_desk, cancelled or dismissed. */
  resolve(id, resolution, note = "") {
    return this.request("POST", `/v1/transactions/${encodeURIComponent(id)}/resolve`, {
      body: { resolution, note },
    });
  }

  /**
   * Follows the agent's events: every state change, progress line and library
   * log line, in `seq` order. After a dropped socket it takes a new ticket and
   * resumes after the last `seq` it delivered (and its boot), so nothing is
   * seen twice and nothing is lost that the agent still holds. Answers `{close(), lastSeq,
   * bootId}`; a later subscription passes both back as `after` and `bootId`.
   */
  events({ after, bootId, onEvent, onError, onOpen } = {}) {
    if (typeof onEvent !== "function") throw new TypeError("events needs onEvent");
    if (!this.WebSocket) {
      throw new AgentError("no WebSocket in this runtime: pass one as new AgentClient({WebSocket}) or run node --experimental-websocket", {
        code: "no_websocket",
      });
    }
    return new EventStream(this, { after, bootId, onEvent, onError, onOpen });
  }
}

class EventStream {
  constructor(client, { after, bootId, onEvent, onError, onOpen }) {
    this.client = client;
    this.onEvent = onEvent;
    this.onError = onError ?? (() => {});
    this.onOpen = onOpen ?? (() => {});
    this.lastSeq = after ?? null;
    this.bootId = bootId ?? null;
    this.closed = false;
    this.socket = null;
    this.delay = RECONNECT_FIRST_MS;
    this.connect();
  }

  async connect() {
    if (this.closed) return;
    let ticket;
    try {
      ({ ticket } = await this.client.request("POST", "/v1/event-tickets"));
    } catch (error) {
      this.onError(error);
      if (error instanceof AuthError) return this.close();
      return this.retry();
    }
    if (this.closed) return;
    const query = new URLSearchParams({ ticket });
    if (this.lastSeq !== null) query.set("after", String(this.lastSeq));
    if (this.bootId !== null) query.set("boot_id", this.bootId);
    const socket = new this.client.WebSocket(`${this.client.url.replace(/^http/, "ws")}/v1/events?${query}`);
    this.socket = socket;
    socket.onopen = () => {
      this.delay = RECONNECT_FIRST_MS;
      this.onOpen();
    };
    socket.onmessage = (message) => this.deliver(message.data);
    socket.onerror = () => {};
    socket.onclose = () => {
      if (this.socket === socket) this.socket = null;
      this.retry();
    };
  }

  deliver(data) {
    let event;
    try {
      event = JSON.parse(typeof data === "string" ? data : new TextDecoder().decode(data));
    } catch (error) {
      return this.onError(error);
    }
    // The seq to resume after counts within one boot: a new boot numbers its
    // events from the start again (and answers a resume with the current states).
    this.bootId = event.boot_id;
    this.lastSeq = event.seq;
    this.onEvent(event);
  }

  async retry() {
    if (this.closed) return;
    const wait = this.delay;
    this.delay = Math.min(this.delay * 2, RECONNECT_MAX_MS);
    await sleep(wait);
    this.connect();
  }

  close() {
    this.closed = true;
    this.socket?.close();
    this.socket = null;
  }
}
