// Ids in ascending order of a due key (moment, then sequence number), in a B+ tree of nodes of
// about a kilobyte and a half: adding and erasing cost O(log n) with a handful of cache lines
// touched, the first id is read in O(1) from the leftmost leaf, and the leaves, linked in order,
// are walked like an array. Nodes below a third full are balanced with a sibling, so the tree
// stays compact under removals.
#pragma once

#include "calendar.h"
#include "prefetch.h"

#include <cstdint>

namespace quorvane {

struct DueKey {
    Moment at;
    std::int64_t sequence; // breaks ties between equal moments
};

inline bool operator<(const DueKey &a, const DueKey &b) {
    return a.at != b.at ? a.at < b.at : a.sequence < b.sequence;
}

class DueOrder {
    static constexpr int kLeafCapacity = 64;
    static constexpr int kInnerCapacity = 64; // children
    static constexpr int kMaxHeight = 16;     // a third full, 16 levels hold far beyond 2^32
    static constexpr int kLookahead = 16;

    struct Node {
        int count = 0; // ids of a leaf, children of an inner node
    };
    struct Leaf : Node {
        Leaf *next = nullptr;
        DueKey keys[kLeafCapacity];
        std::uint32_t ids[kLeafCapacity];
    };
    // keys[i] divides children[i] (below it) from children[i + 1] (at or above it).
    struct Inner : Node {
        DueKey keys[kInnerCapacity - 1];
        Node *children[kInnerCapacity];
    };
    struct Step {
        Inner *node;
        int child;
    };

public:
    // Walks the ids in order.
    class const_iterator {
    public:
        std::uint32_t operator*() const { return leaf_->ids[at_]; }
        // The id's due key, read from the leaf without touching the entry.
        const DueKey &key() const { return leaf_->keys[at_]; }
        const_iterator &operator++() {
            if (++at_ == leaf_->count) {
                leaf_ = leaf_->next;
                at_ = 0;
                // The leaf after this one, so that a walk does not wait at each leaf.
                if (leaf_ && leaf_->next) {
                    Prefetch(leaf_->next, sizeof(Node) + sizeof(Leaf *));
                    Prefetch(leaf_->next->ids, sizeof leaf_->next->ids);
                }
            }
            return *this;
        }
        bool operator==(const const_iterator &) const = default;

    private:
        friend class DueOrder;
        const_iterator(const Leaf *leaf, int at) : leaf_(leaf), at_(at) {}
        const Leaf *leaf_;
        int at_;
    };

    DueOrder();
    // A copy of the whole tree, node for node; if it throws (out of memory), nothing is left.
    DueOrder(const DueOrder &other);
    DueOrder &operator=(const DueOrder &) = delete;
    ~DueOrder();

    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    const_iterator begin() const { return empty() ? end() : const_iterator(first_, 0); }
    const_iterator end() const { return const_iterator(nullptr, 0); }

    // Calls `visit(id)` for every id in order, and `ahead(id)` for the id kLookahead places
    // further on: a caller whose ids lead into memory far larger than the cache can ask for
    // it early, so that the walk runs at the memory's bandwidth rather than its latency.
    template <class Visit, class Ahead> void ForEach(const Visit &visit, const Ahead &ahead) const {
        const_iterator lead = begin();
        for (int i = 0; i < kLookahead && lead != end(); ++i, ++lead)
            ahead(*lead);
        for (const_iterator here = begin(); here != end(); ++here) {
            if (lead != end()) {
                ahead(*lead);
                ++lead;
            }
            visit(*here);
        }
    }

    // The least key and its id; the order must not be empty.
    const DueKey &FrontKey() const { return first_->keys[0]; }
    std::uint32_t FrontId() const { return first_->ids[0]; }

    // Asks early for the leaf where `key` would go, so that an insert soon after need not wait.
    void PrefetchLeaf(const DueKey &key) const {
        Step path[kMaxHeight];
        const Leaf *leaf = Descend(key, path);
        Prefetch(leaf->ids, sizeof leaf->ids);
    }

    // Adds `id` under `key`, which is not in the order yet. If it throws (out of memory),
    // nothing has changed.
    void Insert(const DueKey &key, std::uint32_t id);
    // Takes out the id under `key`, which is in the order.
    void Erase(const DueKey &key);
    // Gives the least id the new key `key` and puts it in order; within the leftmost leaf this
    // moves only the keys it passes. If it throws (out of memory), nothing has changed.
    void ResortFront(const DueKey &key);
    void Clear();

    // Levels of inner nodes above the leaves.
    int height() const { return height_; }
    // Checks the tree's shape, for tests: keys in order within and across leaves and within
    // their separators, every leaf at the bottom level and in the chain in order, nodes filled
    // within bounds, the size the leaves' count. Throws std::logic_error naming the first fault.
    void CheckInvariants() const;

private:
    Leaf *Descend(const DueKey &key, Step *path) const;
    void InsertSplitting(Leaf *leaf, int at, const DueKey &key, std::uint32_t id, Step *path);
    void BalanceLeaves(Inner *parent, int left);
    void BalanceInners(Inner *parent, int left);
    static void RemoveChild(Inner *parent, int child);
    static void Free(Node *node, int height);
    // A copy of `node` and all below it, the copied leaves chained on from `*last`.
    static Node *Copy(const Node *node, int height, Leaf *&last);

    Node *root_;
    Leaf *first_; // the leftmost leaf: it never goes away, as a merge keeps the left node
    int height_ = 0;
    std::size_t size_ = 0;
};

} // namespace quorvane
