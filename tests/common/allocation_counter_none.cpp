// Sanitizer builds: the sanitizer owns the allocator, nothing is counted.
#include "tests/common/allocation_counter.h"

namespace zpos::test {

bool allocations_counted() { return false; }

AllocationCount::AllocationCount() : start_(0) {}
AllocationCount::~AllocationCount() = default;
long AllocationCount::count() const { return 0; }

std::size_t heap_in_use() { return 0; }

}  // namespace zpos::test
