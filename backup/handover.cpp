// Hand-over of a declined cancellation to the backup route.
#include "backup/handover.h"

#include <array>

#include "backup/backup_request.h"
#include "backup/backup_route.h"
#include "entry/module_state.h"
#include "entry/records.h"
#include "request/framing.h"
#include "support/log.h"

namespace zpos {

int hand_over_cancellation(char* response, bool& handed_over) {
    std::array<char, kRequestMessageSize> message{};
    int n = build_backup_request(g_module.saved_request, message, kind::kCardCancel);
    if (n <= 0) {
        WriteLogFormat(100, " pack_len[%d] rtn[%d] ", n, 0);
        handed_over = false;
        return 0;
    }
    int framed = frame_message(message.data(), n);
    handed_over = true;
    return send_backup_route(response, message.data(), framed, kind::kCardCancel);
}

}  // namespace zpos
