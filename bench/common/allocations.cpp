#include "allocations.h"

#include <cstddef>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
}

namespace {

thread_local bool counting = false;
thread_local long calls = 0;
thread_local long bytes = 0;

void note(std::size_t size) {
    if (!counting) return;
    ++calls;
    bytes += static_cast<long>(size);
}

}  // namespace

namespace bench {

void countAllocations(bool on) { counting = on; }

Allocations allocationsSoFar() { return {calls, bytes}; }

}  // namespace bench

extern "C" {

void* malloc(std::size_t size) {
    note(size);
    return __libc_malloc(size);
}

void* calloc(std::size_t n, std::size_t size) {
    note(n * size);
    return __libc_calloc(n, size);
}

void* realloc(void* p, std::size_t size) {
    note(size);
    return __libc_realloc(p, size);
}

void* memalign(std::size_t alignment, std::size_t size) {
    note(size);
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    void* p = memalign(alignment, size);
    if (!p) return 12;  // ENOMEM
    *out = p;
    return 0;
}

void free(void* p) { __libc_free(p); }

}  // extern "C"

// operator new goes through malloc above, so each C++ allocation counts once.
void* operator new(std::size_t size) {
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
