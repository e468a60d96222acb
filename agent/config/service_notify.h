// Tells the service manager how the agent is doing ("READY=1",
// "STOPPING=1", "STATUS=..."), through the datagram socket it names in
// NOTIFY_SOCKET; nothing when it names none.
#pragma once

#include <string>

namespace zpos::agent {

void notify_service_manager(const std::string& message);

}  // namespace zpos::agent
