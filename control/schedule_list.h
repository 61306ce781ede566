// The control's entries, in ascending order of their next due moment, with a lookup by name.
//
// Equal moments keep the order they had: a new entry goes after the entries it ties with, and
// the first entry, re-sorted after it went off, goes before them. A sequence number breaks the
// ties that way (counting up at the back, down at the front), so every change costs O(log n),
// reading the first entry O(1) and finding a name O(1) on average.
#pragma once

#include "cls_time.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quorvane {

class ScheduleList {
    struct Order {
        Moment at;
        std::int64_t sequence;
        bool operator<(const Order &other) const {
            return at != other.at ? at < other.at : sequence < other.sequence;
        }
    };
    using Entries = std::map<Order, clsTime>;

public:
    using const_iterator = Entries::const_iterator;

    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }

    // The entry named exactly `name`, or null.
    const clsTime *Find(std::u16string_view name) const;

    // Adds an entry whose name is not in the list yet, behind the entries it ties with.
    void Append(clsTime entry);

    // The entry due first; the list must not be empty.
    clsTime &Front() { return entries_.begin()->second; }

    // Puts the first entry back in order after its NextTime changed, before its ties.
    void ResortFront();
    void RemoveFront();

    // Removes the entry named exactly `name`; false if there is none.
    bool Remove(std::u16string_view name);
    void Clear();

private:
    void Insert(Entries::node_type node, std::int64_t sequence);
    void Erase(Entries::iterator at);

    Entries entries_;
    // Views into the keys of the entries; nodes keep their address while they are re-sorted.
    std::unordered_map<std::u16string_view, Entries::iterator> by_name_;
    std::int64_t next_back_ = 0;
    std::int64_t next_front_ = -1;
};

} // namespace quorvane
