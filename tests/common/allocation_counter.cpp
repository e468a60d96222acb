// The C allocator's entry points, passed on to glibc's own and counted per
// thread while an AllocationCount is open (not under a sanitizer, which owns them).
#include "tests/common/allocation_counter.h"

#include <malloc.h>

#include <cerrno>
#include <cstddef>

namespace {
thread_local int t_open = 0;
thread_local long t_count = 0;

inline void counted() {
    if (t_open) ++t_count;
}
}  // namespace

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kCounted = false;
#else
constexpr bool kCounted = true;

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t n) {
    counted();
    return __libc_malloc(n);
}
void* calloc(std::size_t n, std::size_t size) {
    counted();
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t n) {
    counted();
    return __libc_realloc(p, n);
}
void* memalign(std::size_t alignment, std::size_t n) {
    counted();
    return __libc_memalign(alignment, n);
}
void* aligned_alloc(std::size_t alignment, std::size_t n) {
    counted();
    return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t n) {
    counted();
    void* p = __libc_memalign(alignment, n);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}
void free(void* p) { __libc_free(p); }
}
#endif

namespace zpos::test {

bool allocations_counted() { return kCounted; }

AllocationCount::AllocationCount() : start_(t_count) { ++t_open; }
AllocationCount::~AllocationCount() { --t_open; }
long AllocationCount::count() const { return t_count - start_; }

std::size_t heap_in_use() { return kCounted ? mallinfo2().uordblks : 0; }

}  // namespace zpos::test
