// Asks the processor early for memory about to be read: where reads far apart in a structure
// larger than the cache would each wait for memory in turn, asking for several at once lets
// them arrive together.
#pragma once

#include <cstddef>

namespace quorvane {

// Every cache line of the `bytes` at `data`.
inline void Prefetch(const void *data, std::size_t bytes) {
    const char *const first = static_cast<const char *>(data);
    for (std::size_t at = 0; at < bytes; at += 64)
        __builtin_prefetch(first + at);
    __builtin_prefetch(first + bytes - 1);
}

} // namespace quorvane
