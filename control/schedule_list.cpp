#include "schedule_list.h"

namespace quorvane {

const clsTime *ScheduleList::Find(std::u16string_view name) const {
    const auto found = by_name_.find(name);
    return found == by_name_.end() ? nullptr : &found->second->second;
}

void ScheduleList::Append(clsTime entry) {
    Entries staging;
    staging.emplace(Order{}, std::move(entry));
    Insert(staging.extract(staging.begin()), next_back_++);
}

void ScheduleList::ResortFront() {
    auto node = entries_.extract(entries_.begin());
    Insert(std::move(node), next_front_--);
}

void ScheduleList::RemoveFront() { Erase(entries_.begin()); }

bool ScheduleList::Remove(std::u16string_view name) {
    const auto found = by_name_.find(name);
    if (found == by_name_.end())
        return false;
    Erase(found->second);
    return true;
}

void ScheduleList::Clear() {
    by_name_.clear();
    entries_.clear();
}

void ScheduleList::Insert(Entries::node_type node, std::int64_t sequence) {
    node.key() = Order{node.mapped().NextTime(), sequence};
    const auto at = entries_.insert(std::move(node)).position;
    by_name_.insert_or_assign(std::u16string_view(at->second.key()), at);
}

void ScheduleList::Erase(Entries::iterator at) {
    by_name_.erase(std::u16string_view(at->second.key()));
    entries_.erase(at);
}

} // namespace quorvane
