#include "heap_counter.h"

#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

std::int64_t live_bytes = 0;
std::int64_t peak_bytes = 0;

void *Allocate(std::size_t size) {
    void *p = std::malloc(size == 0 ? 1 : size);
    if (!p)
        throw std::bad_alloc();
    live_bytes += static_cast<std::int64_t>(malloc_usable_size(p));
    if (live_bytes > peak_bytes)
        peak_bytes = live_bytes;
    return p;
}

void Release(void *p) noexcept {
    if (!p)
        return;
    live_bytes -= static_cast<std::int64_t>(malloc_usable_size(p));
    std::free(p);
}

} // namespace

void *operator new(std::size_t size) {
    return Allocate(size);
}
void *operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void *p) noexcept {
    Release(p);
}
void operator delete[](void *p) noexcept {
    Release(p);
}
void operator delete(void *p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void *p, std::size_t) noexcept {
    Release(p);
}

namespace quorvane::testing {

std::int64_t LiveHeapBytes() {
    return live_bytes;
}
std::int64_t PeakHeapBytes() {
    return peak_bytes;
}
void ResetHeapPeak() {
    peak_bytes = live_bytes;
}

} // namespace quorvane::testing
