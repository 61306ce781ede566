#include "entries.h"

#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>

namespace combench {

Entries::Entries(const wchar_t *prefix, const std::vector<int> &numbers) {
    entries_.reserve(numbers.size());
    for (const int number : numbers) {
        wchar_t name[16];
        std::swprintf(name, 16, L"%ls-%06d", prefix, number);
        // Numbers a prime apart in seconds: the entries fall all over the day.
        const LONG second = static_cast<LONG>(static_cast<long long>(number) * 7919 % 86400);
        entries_.push_back({SysAllocString(name), second});
        Require(entries_.back().name != nullptr, "out of memory for a name");
    }
}

Entries::~Entries() {
    for (const Entry &entry : entries_)
        SysFreeString(entry.name);
}

std::vector<int> Run(int first, int count) {
    std::vector<int> numbers(static_cast<std::size_t>(count));
    std::iota(numbers.begin(), numbers.end(), first);
    return numbers;
}

std::vector<int> Spread(int count, int below, unsigned seed) {
    std::vector<int> numbers = Run(0, below);
    std::shuffle(numbers.begin(), numbers.end(), std::mt19937(seed));
    numbers.resize(static_cast<std::size_t>(std::min(count, below)));
    return numbers;
}

} // namespace combench
