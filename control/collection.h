// An ordered collection counted from 1, each item optionally under a unique key, as the
// Automation runtime's Collection offers it. Keys compare exactly (case-sensitive, code unit
// by code unit), the same rule as the schedule list, so a collection built from the list can
// never refuse one of its names. Errors carry the runtime's numbers: 5 for a key that is not
// there, 9 for a position out of range, 457 for a key already in use.
#pragma once

#include "automation_error.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

namespace quorvane {

// A position (from 1) or a key.
using CollectionIndex = std::variant<std::int64_t, std::u16string>;

template <class Item> class Collection {
public:
    std::int32_t Count() const { return static_cast<std::int32_t>(nodes_.size()); }

    // Makes room for `count` items, so that filling a collection of known size allocates once.
    void Reserve(std::size_t count) {
        nodes_.reserve(count);
        index_.reserve(count);
    }

    // Adds `item` at the end, or just before `before` / just after `after` (one at most).
    void Add(Item item, std::optional<std::u16string> key = {},
             const std::optional<CollectionIndex> &before = {},
             const std::optional<CollectionIndex> &after = {}) {
        if (before && after)
            throw RuntimeError(runtime_error::kInvalidArgument);
        std::size_t at = nodes_.size();
        if (before)
            at = Locate(*before);
        else if (after)
            at = Locate(*after) + 1;
        if (key && index_.count(*key))
            throw RuntimeError(runtime_error::kDuplicateKey);
        nodes_.insert(nodes_.begin() + static_cast<std::ptrdiff_t>(at),
                      Node{std::move(key), std::move(item)});
        Reindex(at);
    }

    const Item &ItemAt(const CollectionIndex &index) const { return nodes_[Locate(index)].item; }

    void Remove(const CollectionIndex &index) {
        const std::size_t at = Locate(index);
        if (nodes_[at].key)
            index_.erase(*nodes_[at].key);
        nodes_.erase(nodes_.begin() + static_cast<std::ptrdiff_t>(at));
        Reindex(at);
    }

    // The key of the item at zero-based `at`, if it has one (for enumeration and tests).
    const std::optional<std::u16string> &KeyAt(std::size_t at) const { return nodes_[at].key; }
    const Item &operator[](std::size_t at) const { return nodes_[at].item; }

private:
    struct Node {
        std::optional<std::u16string> key;
        Item item;
    };

    // Zero-based place of a position or key.
    std::size_t Locate(const CollectionIndex &index) const {
        if (const auto *position = std::get_if<std::int64_t>(&index)) {
            if (*position < 1 || *position > static_cast<std::int64_t>(nodes_.size()))
                throw RuntimeError(runtime_error::kSubscriptOutOfRange);
            return static_cast<std::size_t>(*position - 1);
        }
        const auto found = index_.find(std::get<std::u16string>(index));
        if (found == index_.end())
            throw RuntimeError(runtime_error::kInvalidArgument);
        return found->second;
    }

    // Keeps the key index right for every item from `from` on.
    void Reindex(std::size_t from) {
        for (std::size_t at = from; at < nodes_.size(); ++at)
            if (nodes_[at].key)
                index_[*nodes_[at].key] = at;
    }

    std::vector<Node> nodes_;
    std::unordered_map<std::u16string, std::size_t> index_;
};

} // namespace quorvane
