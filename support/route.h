// The route to the payment host: the route mode of the running call and the
// route state the settings file keeps in VANCFG (VANID, TOGGLE_TIME, EOT_CNT)
// for every process of the application directory. This module alone reads
// and writes them; the others ask for the mode and name the operation.
#pragma once

#include "support/call_state.h"

namespace zpos {

// The route mode, as VANID writes it.
enum class RouteMode : int {
    primary = 1,  // the payment host
    backup = 2,   // card approvals and cancellations go through the backup library
};

// The route mode of the running call (the last call's, between calls).
RouteMode route_mode();

// Zelta_Send's start of call: the mode from VANID and TOGGLE_TIME; 600
// seconds after the switch the route goes back to the primary host (VANID
// "1", EOT_CNT "0").
void route_mode_refresh(const CallState& call);
// Zelta_OKCashbag's start of call: the route state is read as Zelta_Send
// reads it, but points always take the primary host and the file is left
// alone.
void route_points_refresh(const CallState& call);
// A kind that never uses the backup route: the primary host for this call,
// whatever the file says (the file is not touched).
void route_primary_for_call();

// A host failure on a card approval or cancellation: EOT_CNT counts up; at
// the third in a row the route switches to the backup (as switch_to_backup)
// and so does this call.
void failure_count_step(const CallState& call);
// The host cannot be reached: VANID "2" and TOGGLE_TIME now in the file; the
// call itself stays on its route.
void switch_to_backup(const CallState& call);
// Back to the primary host: VANID "1", EOT_CNT "0" and the call's route.
void reset_to_primary(const CallState& call);

}  // namespace zpos
