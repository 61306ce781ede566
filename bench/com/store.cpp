#include "store.h"

#include "dispatch.h"

#include <algorithm>

namespace combench {

std::vector<VARIANT> NameArgument(const Entry &entry) {
    return {BstrArg(entry.name)};
}

void PutAll(Store &store, const Entries &entries) {
    for (const Entry &entry : entries)
        store.Put(entry);
}

void DropAll(Store &store, const Entries &entries) {
    for (const Entry &entry : entries)
        store.Drop(entry);
}

void Grow(Store &store, int from, int to) {
    // In slices, so that the names formed ahead do not weigh on what is measured.
    constexpr int kSlice = 10'000;
    for (int first = from; first < to; first += kSlice) {
        PutAll(store, Entries(L"alarm", Run(first, std::min(kSlice, to - first))));
    }
}

} // namespace combench
