#include "schedule_list.h"

#include <atomic>

namespace quorvane {

std::uint32_t ScheduleList::Store::IdOf(const Name &name) const {
    return by_name.Find(name.text, name.hash,
                        [this](std::uint32_t id) { return entries[id].key(); });
}

const ScheduleList::Entry *ScheduleList::Store::Find(const Name &name) const {
    const std::uint32_t id = IdOf(name);
    return id == HashIndex::kNone ? nullptr : &entries[id];
}

ScheduleList::Store &ScheduleList::Own() {
    if (store_.use_count() > 1)
        store_ = std::make_shared<Store>(*store_);
    else // a snapshot let go on another thread finished reading before it let go
        std::atomic_thread_fence(std::memory_order_acquire);
    return *store_;
}

void ScheduleList::Append(const clsTime &entry, const Name &name) {
    // What may fail for want of memory comes first, and is undone, so a failed add leaves the
    // list as it was.
    Store &store = Own();
    store.by_name.Reserve(size() + 1);
    Entry added;
    added.due_ = {entry.NextTime(), next_back_};
    added.rule_ = entry.rule();
    added.name_ = CompactText(entry.key());
    const DueKey due = added.due_;
    const std::uint32_t id = store.entries.Add(std::move(added));
    try {
        store.order.Insert(due, id);
    } catch (...) {
        store.entries.Release(id);
        throw;
    }
    store.by_name.Insert(name.hash, id);
    ++next_back_;
}

void ScheduleList::ResortFront(Moment next) {
    Store &store = Own();
    Entry &front = store.entries[store.order.FrontId()];
    const DueKey resorted{next, next_front_};
    store.order.ResortFront(resorted);
    front.due_ = resorted;
    --next_front_;
}

void ScheduleList::Resort(const Name &name, Moment next) {
    Store &store = Own();
    const std::uint32_t id = store.IdOf(name);
    Entry &entry = store.entries[id];
    const DueKey resorted{next, next_front_};
    store.order.Insert(resorted, id); // the only step that may fail, and it changes nothing then
    store.order.Erase(entry.due_);
    entry.due_ = resorted;
    --next_front_;
}

void ScheduleList::RemoveFront() {
    Store &store = Own();
    const std::uint32_t id = store.order.FrontId();
    Erase(store, id, HashIndex::HashOf(store.entries[id].key()));
}

bool ScheduleList::Remove(std::u16string_view name) {
    const Name hashed(name);
    const std::uint32_t id = store_->IdOf(hashed);
    if (id == HashIndex::kNone)
        return false;
    Erase(Own(), id, hashed.hash); // a copy keeps the ids
    return true;
}

void ScheduleList::Clear() {
    // A new store, so a snapshot keeps the old one, and the last to let go of it frees it.
    store_ = std::make_shared<Store>();
}

void ScheduleList::Erase(Store &store, std::uint32_t id, std::uint32_t hash) {
    const Entry &entry = store.entries[id];
    store.by_name.Erase(hash, id);
    store.order.Erase(entry.due_);
    store.entries.Release(id);
}

} // namespace quorvane
