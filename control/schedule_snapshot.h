// What GetSchedules hands out: the list's entries as they were when it was taken, each entry's
// due moment under its name, in due order. It shares the list's store, which the list copies
// before it changes it while a snapshot still holds it, so taking a snapshot copies nothing and
// costs no memory of its own until the list changes. A snapshot never changes; whoever wants to
// change one takes a Collection of it (CopyOf).
#pragma once

#include "collection.h"
#include "schedule_list.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace quorvane {

class ScheduleSnapshot {
public:
    explicit ScheduleSnapshot(const ScheduleList &list) : store_(list.Share()) {}

    std::int32_t Count() const { return static_cast<std::int32_t>(store_->order.size()); }

    // The due moment at a position or under a key, with a Collection's errors: 9 for a
    // position out of range, 5 for a key that is not there. Keys compare exactly. The first
    // call by position lists the moments in order (8 bytes each), so that every one after it
    // costs O(1).
    Moment ItemAt(const CollectionIndex &index) const;

    // A walk in due order that reads only the due order's leaves. It holds the store itself,
    // so it walks on whatever becomes of the snapshot, and a copy walks on from its place.
    class Walk {
    public:
        explicit Walk(const ScheduleSnapshot &snapshot)
            : store_(snapshot.store_), at_(store_->order.begin()) {}
        // The next moment in `*due`, moving on; false at the end.
        bool Next(Moment *due) {
            if (at_ == store_->order.end())
                return false;
            *due = at_.key().at;
            ++at_;
            return true;
        }
        void Rewind() { at_ = store_->order.begin(); }

    private:
        std::shared_ptr<const ScheduleList::Store> store_;
        DueOrder::const_iterator at_;
    };

    // A Collection of the snapshot, each moment made an `Item` by `item_of(moment)` under the
    // entry's name, to be changed at will.
    template <class Item, class ItemOf> Collection<Item> CopyOf(const ItemOf &item_of) const {
        Collection<Item> copy;
        copy.AppendDistinct(store_->order.size(), [&](const auto &add) {
            store_->ForEach([&](const ScheduleList::Entry &entry) {
                add(item_of(entry.NextTime()), entry.key());
            });
        });
        return copy;
    }

private:
    std::shared_ptr<const ScheduleList::Store> store_;
    mutable std::vector<Moment> by_position_; // filled by the first call by position
};

} // namespace quorvane
