// Types of the zpos-agent client (zposapp-agent.js).

export type TransactionState =
  | "pending"
  | "approved"
  | "declined"
  | "failed"
  | "acknowledging"
  | "completed"
  | "in_doubt"
  | "resolved"
  | "stuck";

export type Resolution = "confirmed_with_help_desk" | "cancelled" | "dismissed";

export type PointsOperation = "earn" | "use" | "inquiry" | "earn_cancel" | "use_cancel";

/** Request fields by the agent's own names; `type` is set by the method. */
export interface TransactionFields {
  idempotency_key?: string;
  amount?: number;
  track2?: string;
  terminal_id?: string;
  acknowledge?: "manual" | "auto";
  /** Cancellations: the approval they cancel and its date, YYMMDD. */
  org_auth_no?: string;
  org_auth_date?: string;
  [field: string]: unknown;
}

export interface Transaction {
  id: string;
  state: TransactionState;
  type?: string;
  result?: { code: number; text: string } | null;
  resp_code?: string;
  approved?: boolean;
  auth_no?: string;
  tran_datetime?: string;
  message?: string;
  issuer_name?: string;
  merchant_no?: string;
  amount?: number;
  /** First six and last four digits, the rest masked. */
  card?: string;
  in_doubt_reason?: string;
  acknowledge?: "manual" | "auto";
  ack_result?: { code: number; text: string } | null;
  resolution?: { resolution: Resolution; note: string; resolved_at: string } | null;
  created_at?: string;
  updated_at?: string;
  [field: string]: unknown;
}

export interface AgentEvent {
  seq: number;
  boot_id: string;
  type: "state" | "progress" | "log";
  transaction_id?: string;
  /** type "state" */
  state?: TransactionState;
  /** type "progress", e.g. "waiting for the host's reply, NAK 1 of 3, 12 s" */
  text?: string;
  /** type "log": one line of the library's log */
  line?: string;
  [field: string]: unknown;
}

export interface EventSubscription {
  /** The last seq delivered; pass it as `after` to resume in a later subscription. */
  readonly lastSeq: number | null;
  /** The agent boot the seq belongs to; pass it as `bootId` with `after`. */
  readonly bootId: string | null;
  close(): void;
}

export interface ErrorInit {
  status?: number;
  code?: string;
  body?: any;
}

export class AgentError extends Error {
  constructor(message: string, init?: ErrorInit);
  /** HTTP status, 0 when the agent gave no answer. */
  status: number;
  /** The agent's stable error code ("busy", "invalid", "unauthorized", ...), or "unreachable" / "timeout". */
  code: string;
  body: any;
}
export class AuthError extends AgentError {}
export class BusyError extends AgentError {
  /** The id of the transaction that runs or waits for its acknowledgement. */
  active: string;
}
export class ValidationError extends AgentError {
  /** Field name to the agent's message about it. */
  fields: Record<string, string>;
}
export class ConflictError extends AgentError {
  state: string;
}
export class NotFoundError extends AgentError {}
export class UnreachableError extends AgentError {}

export interface AgentClientOptions {
  /** The agent's address, e.g. http://127.0.0.1:8787 */
  url: string;
  token: string;
  /** A WebSocket class where the runtime has none (Node 20 without --experimental-websocket). */
  WebSocket?: any;
  fetch?: typeof fetch;
}

export class AgentClient {
  constructor(options: AgentClientOptions);
  readonly url: string;
  request<T = any>(method: string, path: string, options?: { body?: unknown; timeoutSeconds?: number }): Promise<T>;
  transaction(type: string, fields?: TransactionFields): Promise<Transaction>;
  sale(fields: TransactionFields): Promise<Transaction>;
  cancel(fields: TransactionFields): Promise<Transaction>;
  cash(fields: TransactionFields): Promise<Transaction>;
  cashCancel(fields: TransactionFields): Promise<Transaction>;
  /** kt_approval, kt_cancel, f1_approval, f2_cancel and any other type go through transaction(). */
  chequeInquiry(fields: TransactionFields): Promise<Transaction>;
  points(operation: PointsOperation, fields: TransactionFields): Promise<Transaction>;
  download(fields: Record<string, unknown>): Promise<any>;
  get(id: string, options?: { wait?: number }): Promise<Transaction>;
  outcome(id: string, options?: { timeout?: number }): Promise<Transaction>;
  acknowledge(id: string): Promise<Transaction>;
  transactions(query?: { state?: TransactionState; since?: string; limit?: number }): Promise<Transaction[]>;
  inDoubt(query?: { since?: string; limit?: number }): Promise<Transaction[]>;
  resolve(id: string, resolution: Resolution, note?: string): Promise<Transaction>;
  events(options: {
    after?: number;
    bootId?: string;
    onEvent: (event: AgentEvent) => void;
    onError?: (error: Error) => void;
    onOpen?: () => void;
  }): EventSubscription;
}
