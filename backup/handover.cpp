// Hand-over of a declined cancellation to the backup route.
#include "backup/handover.h"

#include <array>

#include "backup/backup_request.h"
#include "backup/backup_route.h"
#include "request/framing.h"
#include "support/log.h"
#include "support/log_lines.h"
#include "support/message_kinds.h"
#include "support/records.h"

namespace zpos {

Handover backup_handover(Module& module, char* response) {
    std::array<char, kRequestMessageSize> message{};
    BackupRequestBuilt built = build_backup_request(module, module.call.saved_request, message, kind::kCardCancel);
    if (built.result != BackupRequestBuild::built) {
        // The builder's value is the length the line shows.
        write_log_format(log_lines::kBackupNotBuiltBuffer, log_lines::kBackupNotBuilt, static_cast<int>(built.result), 0);
        return {BackupRouteResult::not_sent, built.signature};
    }
    int framed = frame_message(message.data(), built.length);
    return {send_backup_route(module, response, message.data(), framed, kind::kCardCancel), built.signature};
}

}  // namespace zpos
