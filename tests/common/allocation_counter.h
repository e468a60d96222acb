// Counts the heap allocations this thread makes while a count is open, and
// reads the bytes the process has in use, by replacing the C allocator's entry
// points in the test program.
#pragma once

#include <cstddef>

namespace zpos::test {

// False in sanitizer builds, where nothing is counted.
bool allocations_counted();

// Allocations (malloc, calloc, realloc, aligned forms, and so operator new)
// made by the calling thread between construction and count().
class AllocationCount {
public:
    AllocationCount();
    ~AllocationCount();
    AllocationCount(const AllocationCount&) = delete;
    AllocationCount& operator=(const AllocationCount&) = delete;
    long count() const;

private:
    long start_;
};

// Bytes of heap the process has in use now.
std::size_t heap_in_use();

}  // namespace zpos::test
