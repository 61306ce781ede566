// The control's entries, in ascending order of their next due moment, with a lookup by name.
//
// Equal moments keep the order they had: a new entry goes after the entries it ties with, and
// the first entry, re-sorted after it went off, goes before them. A sequence number breaks the
// ties that way (counting up at the back, down at the front).
//
// The entries themselves sit in a slot store under stable ids, 56 bytes each with a name of up
// to 14 units in place; a B+ tree keeps the ids in due order and an open-addressing index finds
// them by name. So every change costs O(log n) over flat arrays, reading the first entry O(1)
// and finding a name O(1) on average.
//
// The three live in one store that snapshots share (ScheduleSnapshot): taking one copies
// nothing, and the list copies the store before it changes it while a snapshot still holds it.
#pragma once

#include "cls_time.h"
#include "compact_text.h"
#include "due_order.h"
#include "hash_index.h"
#include "slot_store.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace quorvane {

class ScheduleList {
public:
    // One entry as the list keeps it.
    class Entry {
    public:
        std::u16string_view key() const { return name_.view(); }
        Moment NextTime() const { return due_.at; }
        // The moment with the tie-breaking number: no other entry, nor this one once it has
        // moved on or left and come back, ever has the same.
        const DueKey &Due() const { return due_; }
        schDateType DateType() const { return rule_.kind(); }
        const Recurrence &rule() const { return rule_; }

    private:
        friend class ScheduleList;
        DueKey due_{};
        Recurrence rule_;
        CompactText name_;
    };

    // Walks the entries in due order.
    class const_iterator {
    public:
        const Entry &operator*() const { return (*entries_)[*at_]; }
        const Entry *operator->() const { return &**this; }
        const_iterator &operator++() {
            ++at_;
            return *this;
        }
        bool operator==(const const_iterator &other) const { return at_ == other.at_; }

    private:
        friend class ScheduleList;
        const_iterator(DueOrder::const_iterator at, const SlotStore<Entry> &entries)
            : at_(at), entries_(&entries) {}
        DueOrder::const_iterator at_;
        const SlotStore<Entry> *entries_;
    };

    bool empty() const { return store_->order.empty(); }
    std::size_t size() const { return store_->order.size(); }
    const_iterator begin() const { return {store_->order.begin(), store_->entries}; }
    const_iterator end() const { return {store_->order.end(), store_->entries}; }

    template <class Visit> void ForEach(const Visit &visit) const { store_->ForEach(visit); }

    // A name with its hash, worked out once for everything one call does with the name.
    struct Name {
        explicit Name(std::u16string_view name) : text(name), hash(HashIndex::HashOf(name)) {}
        std::u16string_view text;
        std::uint32_t hash;
    };

    // The entry named exactly `name`, or null.
    const Entry *Find(const Name &name) const { return store_->Find(name); }
    const Entry *Find(std::u16string_view name) const { return Find(Name(name)); }

    // Asks early for what looking up `name` and then appending it at `due`, when that is known,
    // will read, so that the waits for memory of both overlap instead of following one another.
    // A list small enough to stay in the cache is not worth the extra work.
    void PrefetchAppend(const Name &name, std::optional<Moment> due) const {
        if (size() < kPrefetchFrom)
            return;
        store_->by_name.Prefetch(name.hash);
        if (due)
            store_->order.PrefetchLeaf({*due, next_back_});
    }

    // Adds an entry whose name is not in the list yet, behind the entries it ties with; `name`
    // is the entry's own.
    void Append(const clsTime &entry, const Name &name);
    void Append(const clsTime &entry) { Append(entry, Name(entry.key())); }

    // The entry due first and its due moment (read without touching the entry); the list must
    // not be empty.
    const Entry &Front() const { return store_->entries[store_->order.FrontId()]; }
    Moment FrontDue() const { return store_->order.FrontKey().at; }

    // Gives the first entry its next due moment and puts it back in order, before its ties.
    void ResortFront(Moment next);
    void RemoveFront();
    // The same for the entry named exactly `name`, which is in the list, wherever it stands.
    void Resort(const Name &name, Moment next);

    // Removes the entry named exactly `name`; false if there is none.
    bool Remove(std::u16string_view name);
    void Clear();

    // The entries, their due order and their index by name, as a snapshot shares them.
    struct Store {
        // Calls `visit(entry)` for every entry in due order, asking early for the entries
        // ahead: they lie in the store in the order they were added, not in due order.
        template <class Visit> void ForEach(const Visit &visit) const {
            order.ForEach([&](std::uint32_t id) { visit(entries[id]); },
                          [&](std::uint32_t id) { Prefetch(&entries[id], sizeof(Entry)); });
        }
        std::uint32_t IdOf(const Name &name) const;
        const Entry *Find(const Name &name) const;

        SlotStore<Entry> entries;
        DueOrder order;
        HashIndex by_name;
    };
    // The store as it is now, for a snapshot to hold.
    std::shared_ptr<const Store> Share() const { return store_; }

private:
    static constexpr std::size_t kPrefetchFrom = 1 << 15;

    // The store, to be changed: copied first while a snapshot still holds it. If the copy
    // fails for want of memory, nothing has changed.
    Store &Own();
    void Erase(Store &store, std::uint32_t id, std::uint32_t hash);

    std::shared_ptr<Store> store_ = std::make_shared<Store>();
    std::int64_t next_back_ = 0;
    std::int64_t next_front_ = -1;
};

} // namespace quorvane
