#include "schedule_list.h"

namespace quorvane {

std::uint32_t ScheduleList::IdOf(const Name &name) const {
    return by_name_.Find(name.text, name.hash,
                         [this](std::uint32_t id) { return entries_[id].key(); });
}

const ScheduleList::Entry *ScheduleList::Find(const Name &name) const {
    const std::uint32_t id = IdOf(name);
    return id == HashIndex::kNone ? nullptr : &entries_[id];
}

void ScheduleList::Append(const clsTime &entry, const Name &name) {
    // What may fail for want of memory comes first, and is undone, so a failed add leaves the
    // list as it was.
    by_name_.Reserve(size() + 1);
    Entry added;
    added.due_ = {entry.NextTime(), next_back_};
    added.rule_ = entry.rule();
    added.name_ = CompactText(entry.key());
    const DueKey due = added.due_;
    const std::uint32_t id = entries_.Add(std::move(added));
    try {
        order_.Insert(due, id);
    } catch (...) {
        entries_.Release(id);
        throw;
    }
    by_name_.Insert(name.hash, id);
    ++next_back_;
}

void ScheduleList::ResortFront(Moment next) {
    Entry &front = entries_[order_.FrontId()];
    const DueKey resorted{next, next_front_};
    order_.ResortFront(resorted);
    front.due_ = resorted;
    --next_front_;
}

void ScheduleList::RemoveFront() {
    const std::uint32_t id = order_.FrontId();
    Erase(id, HashIndex::HashOf(entries_[id].key()));
}

bool ScheduleList::Remove(std::u16string_view name) {
    const Name hashed(name);
    const std::uint32_t id = IdOf(hashed);
    if (id == HashIndex::kNone)
        return false;
    Erase(id, hashed.hash);
    return true;
}

void ScheduleList::Clear() {
    order_.Clear();
    by_name_.Clear();
    entries_.Clear();
}

void ScheduleList::Erase(std::uint32_t id, std::uint32_t hash) {
    const Entry &entry = entries_[id];
    by_name_.Erase(hash, id);
    order_.Erase(entry.due_);
    entries_.Release(id);
}

} // namespace quorvane
