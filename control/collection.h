// An ordered collection counted from 1, each item optionally under a unique key, as the
// Automation runtime's Collection offers it. Keys compare exactly (case-sensitive, code unit
// by code unit), the same rule as the schedule list, so a collection built from the list can
// never refuse one of its names. Errors carry the runtime's numbers: 5 for a key that is not
// there, 9 for a position out of range, 457 for a key already in use.
//
// Items and their keys sit in a slot store under stable ids; the order is a sequence of those
// ids in blocks, and the keys find ids through an index that no insertion or removal has to
// touch beyond the one key. So adding before or after anything and removing anything cost
// microseconds even at a million items.
#pragma once

#include "automation_error.h"
#include "block_sequence.h"
#include "compact_text.h"
#include "hash_index.h"
#include "slot_store.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace quorvane {

// A position (from 1) or a key.
using CollectionIndex = std::variant<std::int64_t, std::u16string>;

// The zero-based place of `position` among `count` items; 9 when it is out of range.
inline std::size_t CheckedPlace(std::int64_t position, std::size_t count) {
    if (position < 1 || position > static_cast<std::int64_t>(count))
        throw RuntimeError(runtime_error::kSubscriptOutOfRange);
    return static_cast<std::size_t>(position - 1);
}

template <class Item> class Collection {
public:
    std::int32_t Count() const { return static_cast<std::int32_t>(order_.size()); }

    // Makes room for `count` items, so that filling a collection of known size allocates little.
    void Reserve(std::size_t count) {
        items_.Reserve(count);
        order_.Reserve(count);
        keys_.Reserve(count);
    }

    // Adds `item` at the end, or just before `before` / just after `after` (one at most).
    void Add(Item item, std::optional<std::u16string_view> key = {},
             const std::optional<CollectionIndex> &before = {},
             const std::optional<CollectionIndex> &after = {}) {
        if (before && after)
            throw RuntimeError(runtime_error::kInvalidArgument);
        std::size_t at = order_.size();
        if (before)
            at = Locate(*before);
        else if (after)
            at = Locate(*after) + 1;
        const std::uint32_t hash = key ? HashIndex::HashOf(*key) : 0;
        if (key) {
            if (FindKey(*key, hash) != HashIndex::kNone)
                throw RuntimeError(runtime_error::kDuplicateKey);
            keys_.Reserve(keys_.size() + 1); // so that indexing the key cannot fail below
        }
        const std::uint32_t id =
            items_.Add(Slot{std::move(item), key ? CompactText(*key) : CompactText()});
        try {
            order_.Insert(at, id);
        } catch (...) {
            items_.Release(id);
            throw;
        }
        if (key)
            keys_.Insert(hash, id);
    }

    // Appends the items that `fill` hands to its argument, `add(item, key)`, in order. Their
    // keys must be distinct and new to the collection, as a list's names are, so none is
    // looked up: the key index is built when a key is first asked for, and a snapshot that is
    // only walked never builds it.
    template <class Fill> void AppendDistinct(std::size_t count, const Fill &fill) {
        items_.Reserve(order_.size() + count);
        order_.Reserve(order_.size() + count);
        fill([&](Item item, std::u16string_view key) {
            const std::uint32_t id = items_.Add(Slot{std::move(item), CompactText(key)});
            try {
                order_.Insert(order_.size(), id);
            } catch (...) {
                items_.Release(id);
                throw;
            }
            keys_stale_ = true;
        });
    }

    const Item &ItemAt(const CollectionIndex &index) const { return items_[IdOf(index)].item; }

    // Hands the removed item back, so that whatever its release runs (an object's last
    // Release is its owner's code) runs after the collection is whole again.
    Item Remove(const CollectionIndex &index) {
        const std::uint32_t id = IdOf(index);
        const CompactText &key = items_[id].key;
        if (key.has_value() && !keys_stale_)
            keys_.Erase(HashIndex::HashOf(key.view()), id);
        order_.Erase(id);
        Item removed = std::move(items_[id].item);
        items_.Release(id);
        return removed;
    }

    // The key of the item at zero-based `at`, if it has one (for enumeration and tests).
    std::optional<std::u16string> KeyAt(std::size_t at) const {
        const CompactText &key = items_[order_.IdAt(at)].key;
        if (!key.has_value())
            return std::nullopt;
        return std::u16string(key.view());
    }
    // The item at zero-based `at`, in O(log n); ForEach walks them all in O(1) each.
    const Item &operator[](std::size_t at) const { return items_[order_.IdAt(at)].item; }

    // Walks the items in order without a copy, as long as the collection does not change: the
    // item at `place`, which moves on, or null at the end.
    using Place = BlockSequence::Place;
    const Item *Next(Place &place) const {
        std::uint32_t id;
        return order_.Next(place, &id) ? &items_[id].item : nullptr;
    }

    // Calls `visit(item, key)` for every item in order; `key` is a view, empty without a key.
    template <class Visit> void ForEach(Visit &&visit) const {
        order_.ForEach([&](std::uint32_t id) {
            const Slot &slot = items_[id];
            visit(slot.item, slot.key.has_value() ? std::optional(slot.key.view()) : std::nullopt);
        });
    }

private:
    struct Slot {
        Item item;
        CompactText key;
    };

    // Zero-based place of a position or key.
    std::size_t Locate(const CollectionIndex &index) const {
        if (const auto *position = std::get_if<std::int64_t>(&index))
            return CheckedPlace(*position);
        return order_.PositionOf(IdOf(index));
    }

    std::uint32_t IdOf(const CollectionIndex &index) const {
        if (const auto *position = std::get_if<std::int64_t>(&index))
            return order_.IdAt(CheckedPlace(*position));
        const std::u16string &key = std::get<std::u16string>(index);
        const std::uint32_t id = FindKey(key, HashIndex::HashOf(key));
        if (id == HashIndex::kNone)
            throw RuntimeError(runtime_error::kInvalidArgument);
        return id;
    }

    std::size_t CheckedPlace(std::int64_t position) const {
        return quorvane::CheckedPlace(position, order_.size());
    }

    // Builds the key index if items were appended without it; should that fail for want of
    // memory, it is built again next time.
    void IndexKeys() const {
        if (!keys_stale_)
            return;
        keys_.Clear();
        keys_.Reserve(order_.size());
        order_.ForEach([this](std::uint32_t id) {
            const CompactText &key = items_[id].key;
            if (key.has_value())
                keys_.Insert(HashIndex::HashOf(key.view()), id);
        });
        keys_stale_ = false;
    }

    std::uint32_t FindKey(std::u16string_view key, std::uint32_t hash) const {
        IndexKeys();
        return keys_.Find(key, hash, [this](std::uint32_t id) { return items_[id].key.view(); });
    }

    SlotStore<Slot> items_;
    BlockSequence order_;
    mutable HashIndex keys_;
    mutable bool keys_stale_ = false; // keyed items were appended without indexing them
};

} // namespace quorvane
