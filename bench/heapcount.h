#pragma once
// Heap accounting for the benchmark programs that report memory: every allocation of
// the program goes through these, which keep the bytes live and their peak. Include it
// in one source file of a program only (it replaces the global operator new).

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {
std::atomic<std::int64_t> gLive{0};
std::atomic<std::int64_t> gPeak{0};

void* Allocate(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    const std::int64_t live = gLive += std::int64_t(malloc_usable_size(p));
    std::int64_t peak = gPeak.load();
    while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {}
    return p;
}
void Release(void* p) {
    if (!p)
        return;
    gLive -= std::int64_t(malloc_usable_size(p));
    std::free(p);
}
}  // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
