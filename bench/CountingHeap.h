#pragma once
// Counts what a benchmark program holds, at the global operator new and
// delete, for the measures that report memory. Include it in exactly one
// file of a program: it replaces those operators for the whole program.

#include <malloc.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace bench::heap {

// While false an allocation pays this test and nothing more.
inline std::atomic<bool> counting{true};
inline std::atomic<int64_t> live{0};
inline std::atomic<int64_t> peak{0};

inline void* counted(void* p)
{
    if (!p || !counting.load(std::memory_order_relaxed)) return p;
    const int64_t size = int64_t(malloc_usable_size(p));
    const int64_t now = live.fetch_add(size) + size;
    int64_t high = peak.load();
    while (now > high && !peak.compare_exchange_weak(high, now)) {}
    return p;
}

inline void released(void* p)
{
    if (!p) return;
    if (counting.load(std::memory_order_relaxed)) live.fetch_sub(int64_t(malloc_usable_size(p)));
    std::free(p);
}

inline void* allocate(size_t n)
{
    void* p = counted(std::malloc(n ? n : 1));
    if (!p) throw std::bad_alloc();
    return p;
}

inline void* allocateAligned(size_t n, std::align_val_t al)
{
    const size_t a = size_t(al) < sizeof(void*) ? sizeof(void*) : size_t(al);
    void* p = nullptr;
    if (posix_memalign(&p, a, n ? n : 1) != 0) throw std::bad_alloc();
    return counted(p);
}

} // namespace bench::heap

void* operator new(size_t n) { return bench::heap::allocate(n); }
void* operator new[](size_t n) { return bench::heap::allocate(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return bench::heap::counted(std::malloc(n ? n : 1)); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return bench::heap::counted(std::malloc(n ? n : 1)); }
void* operator new(size_t n, std::align_val_t al) { return bench::heap::allocateAligned(n, al); }
void* operator new[](size_t n, std::align_val_t al) { return bench::heap::allocateAligned(n, al); }
void operator delete(void* p) noexcept { bench::heap::released(p); }
void operator delete[](void* p) noexcept { bench::heap::released(p); }
void operator delete(void* p, size_t) noexcept { bench::heap::released(p); }
void operator delete[](void* p, size_t) noexcept { bench::heap::released(p); }
void operator delete(void* p, std::align_val_t) noexcept { bench::heap::released(p); }
void operator delete[](void* p, std::align_val_t) noexcept { bench::heap::released(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { bench::heap::released(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { bench::heap::released(p); }
