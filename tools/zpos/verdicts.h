// What the POS does after each result of each export and after each response
// code, for zpos's one-line verdict; written from tables/results.tsv and
// tables/resp_codes.tsv by tables/generate.py, as is the POS guide's table,
// so the tool and the guide never disagree.
#pragma once

namespace zpos::cli {

struct ResultVerdict {
    const char* export_name;  // send, ack, download
    int value;
    const char* action;
    const char* todo;
};

struct CodeVerdict {
    const char* resp_code;
    const char* action;  // "by result": the function's result decides
    const char* todo;
};

// BEGIN GENERATED verdicts: tables/generate.py
// What the POS does after each result, by export.
inline constexpr ResultVerdict kResultVerdicts[] = {
    {"send", 1, "by resp_code", "the response code decides (next table)"},
    {"send", -1, "retry", "no receipt; try again (when resp_code is NOTX, correct the request instead)"},
    {"send", -2, "retry", "no receipt; try again"},
    {"send", -3, "retry", "no receipt; try again"},
    {"send", -5, "retry", "no receipt; try again; when it keeps happening, check the host's port and service, then call the help desk"},
    {"send", -6, "retry", "no receipt; check the network and the host's address and port, then try again; check the route with zpos settings"},
    {"send", -8, "retry", "no receipt; try again: the next card goes to the primary host"},
    {"send", -9, "retry", "no receipt; try again; for an amount of 100,000,000 or more, wait until the backup route ends (TOGGLE_TIME + 600 s) or call the help desk"},
    {"send", -10, "fix request", "no receipt; correct the amount (at most 99,999,999) or have the cardholder sign again, then send again"},
    {"ack", 1, "done", "nothing more; the sale is complete"},
    {"ack", -5, "help desk", "after a decline, a refusal or a second Zelta_Ack: nothing. After an approval not yet acknowledged: call the help desk with auth_no before the sale goes ahead"},
    {"ack", -12, "help desk", "keep the receipt and call the help desk with auth_no and the time: the host has no confirmation of the sale"},
    {"ack", -13, "done", "nothing more; keep the receipt"},
    {"download", -1, "retry", "try again later"},
    {"download", -4, "retry", "try again later"},
    {"download", -5, "retry", "check the server's address (dotted form) and port, then try again"},
};
// What the POS does after a response code; action "by result": the result decides.
inline constexpr CodeVerdict kCodeVerdicts[] = {
    {"0000", "receipt", "print the receipt (cheque: accept it), then call Zelta_Ack at once; if the sale cannot be completed after all, call Zelta_Ack and then void it with a cancellation"},
    {"8324", "no receipt", "no receipt; show message to the cashier; do not call Zelta_Ack"},
    {"1111", "no receipt", "refuse the cheque; show chk_message"},
    {"Time", "retry", "no receipt; tell the cashier the host did not answer, then try again"},
    {"NOTX", "fix request", "nothing was sent: correct the message type, the transaction kind or pt_sub (a kind 10 cancellation and a KT balance inquiry are not allowed); do not send it again unchanged"},
    {"COMM", "retry", "no receipt; check the network and the host's address and port, then try again"},
    {"    ", "by result", "the function's result decides (table above)"},
};
// A download's answer (a positive result, the bytes received).
inline constexpr ResultVerdict kDownloadAnswer{"download", 1, "use the answer", "0000 at its start means the server did what was asked"};
// END GENERATED

}  // namespace zpos::cli
