// The route to the payment host: the module's route mode (Module::route) and
// the route state the settings file keeps in VANCFG (VANID, TOGGLE_TIME,
// EOT_CNT) for every process of the application directory. These operations
// alone write them; the others read the mode and name the operation.
#pragma once

#include "support/module.h"

namespace zpos {

// Zelta_Send's start of call: the mode from VANID and TOGGLE_TIME; 600
// seconds after the switch the route goes back to the primary host (VANID
// "1", EOT_CNT "0").
void route_mode_refresh(Module& module);
// Zelta_OKCashbag's start of call: the route state is read as Zelta_Send
// reads it, but points always take the primary host and the file is left
// alone.
void route_points_refresh(Module& module);
// A kind that never uses the backup route: the primary host for this call,
// whatever the file says (the file is not touched).
void route_primary_for_call(Module& module);

// A host failure on a card approval or cancellation: EOT_CNT counts up; at
// the third in a row the route switches to the backup (as switch_to_backup)
// and so does this call.
void failure_count_step(Module& module);
// The host cannot be reached: VANID "2" and TOGGLE_TIME now in the file; the
// call itself stays on its route.
void switch_to_backup(const CallState& call);
// Back to the primary host: VANID "1", EOT_CNT "0" and the call's route.
void reset_to_primary(Module& module);

}  // namespace zpos
