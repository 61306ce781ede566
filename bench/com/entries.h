// The entries the stores hold: 12-character names ("alarm-000042"), as a host might choose
// them, each due daily at a second of the day of its own number.
#pragma once

#include <oaidl.h>

#include <vector>

namespace combench {

struct Entry {
    BSTR name;
    LONG second_of_day;

    LONG Hour() const { return second_of_day / 3600; }
    LONG Minute() const { return second_of_day / 60 % 60; }
    LONG Second() const { return second_of_day % 60; }
    DATE TimeOfDay() const { return second_of_day / 86400.0; }
};

// Entries numbered `numbers` under a five-letter `prefix`; the names are freed with it.
class Entries {
public:
    Entries(const wchar_t *prefix, const std::vector<int> &numbers);
    ~Entries();
    Entries(const Entries &) = delete;
    Entries &operator=(const Entries &) = delete;

    std::size_t size() const { return entries_.size(); }
    const Entry &operator[](std::size_t at) const { return entries_[at]; }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

private:
    std::vector<Entry> entries_;
};

// first, first + 1, ... (`count` numbers).
std::vector<int> Run(int first, int count);
// `count` different numbers below `below`, in a random order fixed by `seed`.
std::vector<int> Spread(int count, int below, unsigned seed);

} // namespace combench
