// The files built into the binary (the OpenAPI document, the demo page and
// its client module), written by agent/embed_files.cmake at build time.
#pragma once

#include <vector>

#include "agent/api/api.h"

namespace zpos::agent {

std::vector<StaticFile> embedded_files();

}  // namespace zpos::agent
