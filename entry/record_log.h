// The request and response records of the two transaction entry points as the
// log gets them: through the writer the entry point uses (masked for
// Zelta_Send, plain for Zelta_OKCashbag), and under strict masking as a
// masked copy.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zpos {

using RecordLogger = int (*)(const void* bytes, std::int32_t count);

// A request (240 bytes) or response (450 bytes) record through `writer`.
void log_record(RecordLogger writer, const char* record, std::size_t size);

}  // namespace zpos
