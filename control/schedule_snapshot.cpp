#include "schedule_snapshot.h"

namespace quorvane {

Moment ScheduleSnapshot::ItemAt(const CollectionIndex &index) const {
    if (const auto *position = std::get_if<std::int64_t>(&index)) {
        const std::size_t at = CheckedPlace(*position, store_->order.size());
        if (by_position_.empty()) {
            by_position_.reserve(store_->order.size());
            for (auto due = store_->order.begin(); due != store_->order.end(); ++due)
                by_position_.push_back(due.key().at);
        }
        return by_position_[at];
    }
    const ScheduleList::Entry *entry =
        store_->Find(ScheduleList::Name(std::get<std::u16string>(index)));
    if (!entry)
        throw RuntimeError(runtime_error::kInvalidArgument);
    return entry->NextTime();
}

} // namespace quorvane
