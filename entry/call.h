// The module's one state, which the entry points prepare at the start of
// every call and pass down. The layers below never reach for it; they get it,
// or the part they need (its call state, its link), as a parameter.
#pragma once

#include "support/module.h"
#include "support/log.h"

namespace zpos {

extern Module g_module;

// Sets the version code, the application directory and the settings path, as
// every entry point does first, and points the log at the module's target.
void prepare_call();

// What lasts one exported call and no longer: its log lines share one
// descriptor, the settings it reads once are read afresh, and the security
// store is read once for all its keys. Every export holds one while it runs.
class ExportedCall {
public:
    ExportedCall();
    ~ExportedCall();

private:
    LogDescriptorHeld log_;  // which also keeps a call from being copied
};

}  // namespace zpos
