// The reply parser's hand-over of a cancellation that the primary host
// declined: rebuilt as a backup request from the saved request record and sent
// through the backup route.
#pragma once

namespace zpos {

// Builds the kind-4 backup request from g_module.saved_request, frames it and
// runs the backup route into `response`. A request that cannot be built is
// logged, leaves `handed_over` false and gives 0 (the primary reply stands);
// otherwise `handed_over` is true and the backup route's result is returned.
int hand_over_cancellation(char* response, bool& handed_over);

}  // namespace zpos
