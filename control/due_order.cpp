#include "due_order.h"

#include "prefetch.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>
#include <stdexcept>

namespace quorvane {

namespace {

// The first of `count` keys for which `goes_right` is false, by halving, always to one key:
// every search takes the same number of steps.
template <class GoesRight> int Search(const DueKey *keys, int count, const GoesRight &goes_right) {
    if (count == 0)
        return 0;
    const DueKey *base = keys;
    while (count > 1) {
        const int half = count / 2;
        if (goes_right(base[half]))
            base += half;
        count -= half;
    }
    return static_cast<int>(base - keys) + goes_right(*base);
}

int LowerBound(const DueKey *keys, int count, const DueKey &key) {
    return Search(keys, count, [&](const DueKey &k) {
        return (k.at < key.at) | ((k.at == key.at) & (k.sequence < key.sequence));
    });
}

int UpperBound(const DueKey *keys, int count, const DueKey &key) {
    return Search(keys, count, [&](const DueKey &k) {
        return (k.at < key.at) | ((k.at == key.at) & (k.sequence <= key.sequence));
    });
}

// Moves the `count` elements at `first` one place up (`up`) or down, in blocks of `kBlock`
// while that many are left, and returns how many are left. Each block is read whole before it
// is written, so that the overlap does no harm.
template <int kBlock, class T> int ShiftBlocks(T *&first, int count, bool up) {
    for (; count >= kBlock; count -= kBlock) {
        T *const from = up ? first + count - kBlock : first;
        T block[kBlock];
        std::memcpy(block, from, sizeof block);
        std::memcpy(up ? from + 1 : from - 1, block, sizeof block);
        if (!up)
            first += kBlock;
    }
    return count;
}

// Moves the `count` elements at `first` one place up (`up`) or down: what adding or taking
// out a node's element does to the elements after it. The copies are inline, in blocks of 64
// and then 16 bytes: the C runtime's memmove, which a copy of unknown length calls, is a
// general one and costs more than the copy itself (under Wine, as much as the rest of the
// insert); the barrier keeps the compiler from making the last loop such a call.
template <class T> void Shift(T *first, int count, bool up) {
    count = ShiftBlocks<64 / sizeof(T)>(first, count, up);
    if constexpr (sizeof(T) < 16)
        count = ShiftBlocks<16 / sizeof(T)>(first, count, up);
    for (; count > 0; --count) {
        if (up) {
            first[count] = first[count - 1];
        } else {
            first[-1] = first[0];
            ++first;
        }
        asm("" ::: "memory");
    }
}

// Makes room at `at`, moving the elements up to `end` one place up.
template <class T> void OpenGap(T *at, T *end) {
    Shift(at, static_cast<int>(end - at), true);
}

// Fills the place at `at` with the elements after it, up to `end`.
template <class T> void CloseGap(T *at, T *end) {
    Shift(at + 1, static_cast<int>(end - at - 1), false);
}

} // namespace

DueOrder::DueOrder() : root_(new Leaf), first_(static_cast<Leaf *>(root_)) {}

DueOrder::DueOrder(const DueOrder &other)
    : root_(nullptr), first_(nullptr), height_(other.height_), size_(other.size_) {
    Leaf *last = nullptr;
    root_ = Copy(other.root_, height_, last);
    Node *leftmost = root_;
    for (int level = 0; level < height_; ++level)
        leftmost = static_cast<Inner *>(leftmost)->children[0];
    first_ = static_cast<Leaf *>(leftmost);
}

DueOrder::Node *DueOrder::Copy(const Node *node, int height, Leaf *&last) {
    if (height == 0) {
        Leaf *const leaf = new Leaf(*static_cast<const Leaf *>(node));
        leaf->next = nullptr;
        if (last)
            last->next = leaf;
        last = leaf;
        return leaf;
    }
    const Inner &from = *static_cast<const Inner *>(node);
    Inner *const inner = new Inner(from);
    inner->count = 0; // the children copied so far: what a failure frees
    try {
        for (int i = 0; i < from.count; ++i) {
            inner->children[i] = Copy(from.children[i], height - 1, last);
            inner->count = i + 1;
        }
    } catch (...) {
        Free(inner, height);
        throw;
    }
    return inner;
}

DueOrder::~DueOrder() {
    Free(root_, height_);
}

void DueOrder::Clear() {
    Leaf *const empty = new Leaf;
    Free(root_, height_);
    root_ = first_ = empty;
    height_ = 0;
    size_ = 0;
}

void DueOrder::Free(Node *node, int height) {
    if (height == 0) {
        delete static_cast<Leaf *>(node);
        return;
    }
    Inner *const inner = static_cast<Inner *>(node);
    for (int i = 0; i < inner->count; ++i)
        Free(inner->children[i], height - 1);
    delete inner;
}

DueOrder::Leaf *DueOrder::Descend(const DueKey &key, Step *path) const {
    Node *node = root_;
    for (int level = 0; level < height_; ++level) {
        Inner *const inner = static_cast<Inner *>(node);
        const int child = UpperBound(inner->keys, inner->count - 1, key);
        path[level] = {inner, child};
        node = inner->children[child];
    }
    // All the leaf's keys at once: the search would otherwise wait for their lines one after
    // another, which in a list far larger than the cache is most of its cost.
    Leaf *const leaf = static_cast<Leaf *>(node);
    Prefetch(leaf->keys, sizeof leaf->keys);
    return leaf;
}

void DueOrder::Insert(const DueKey &key, std::uint32_t id) {
    Step path[kMaxHeight];
    Leaf *const leaf = Descend(key, path);
    const int at = LowerBound(leaf->keys, leaf->count, key);
    if (leaf->count == kLeafCapacity) {
        InsertSplitting(leaf, at, key, id, path);
    } else {
        OpenGap(leaf->keys + at, leaf->keys + leaf->count);
        OpenGap(leaf->ids + at, leaf->ids + leaf->count);
        leaf->keys[at] = key;
        leaf->ids[at] = id;
        ++leaf->count;
    }
    ++size_;
}

void DueOrder::InsertSplitting(Leaf *leaf, int at, const DueKey &key, std::uint32_t id,
                               Step *path) {
    // Every node the split creates, up to a new root, is allocated before anything changes.
    int full = 0;
    while (full < height_ && path[height_ - 1 - full].node->count == kInnerCapacity)
        ++full;
    auto right_leaf = std::make_unique_for_overwrite<Leaf>();
    std::unique_ptr<Inner> spare[kMaxHeight + 1];
    const int spares = full == height_ ? full + 1 : full;
    for (int i = 0; i < spares; ++i)
        spare[i] = std::make_unique_for_overwrite<Inner>();
    int used = 0;

    // The leaf's ids with the new one among them, halved between the leaf and a new right one.
    DueKey keys[kLeafCapacity + 1];
    std::uint32_t ids[kLeafCapacity + 1];
    std::copy(leaf->keys, leaf->keys + at, keys);
    std::copy(leaf->keys + at, leaf->keys + kLeafCapacity, keys + at + 1);
    std::copy(leaf->ids, leaf->ids + at, ids);
    std::copy(leaf->ids + at, leaf->ids + kLeafCapacity, ids + at + 1);
    keys[at] = key;
    ids[at] = id;
    constexpr int kLeft = (kLeafCapacity + 1) / 2;
    Leaf *const right = right_leaf.release();
    std::copy(keys, keys + kLeft, leaf->keys);
    std::copy(ids, ids + kLeft, leaf->ids);
    std::copy(keys + kLeft, keys + kLeafCapacity + 1, right->keys);
    std::copy(ids + kLeft, ids + kLeafCapacity + 1, right->ids);
    leaf->count = kLeft;
    right->count = kLeafCapacity + 1 - kLeft;
    right->next = leaf->next;
    leaf->next = right;

    // Hands the new node and the key dividing it from its left neighbour to the parent,
    // splitting full parents the same way.
    DueKey divider = right->keys[0];
    Node *added = right;
    for (int level = height_ - 1; level >= 0; --level) {
        Inner *const node = path[level].node;
        const int after = path[level].child;
        if (node->count < kInnerCapacity) {
            std::copy_backward(node->keys + after, node->keys + node->count - 1,
                               node->keys + node->count);
            std::copy_backward(node->children + after + 1, node->children + node->count,
                               node->children + node->count + 1);
            node->keys[after] = divider;
            node->children[after + 1] = added;
            ++node->count;
            return;
        }
        DueKey dividers[kInnerCapacity];
        Node *children[kInnerCapacity + 1];
        std::copy(node->keys, node->keys + after, dividers);
        std::copy(node->keys + after, node->keys + kInnerCapacity - 1, dividers + after + 1);
        dividers[after] = divider;
        std::copy(node->children, node->children + after + 1, children);
        std::copy(node->children + after + 1, node->children + kInnerCapacity,
                  children + after + 2);
        children[after + 1] = added;
        constexpr int kKept = (kInnerCapacity + 1) / 2;
        Inner *const sibling = spare[used++].release();
        std::copy(children, children + kKept, node->children);
        std::copy(dividers, dividers + kKept - 1, node->keys);
        std::copy(children + kKept, children + kInnerCapacity + 1, sibling->children);
        std::copy(dividers + kKept, dividers + kInnerCapacity, sibling->keys);
        node->count = kKept;
        sibling->count = kInnerCapacity + 1 - kKept;
        divider = dividers[kKept - 1];
        added = sibling;
    }
    Inner *const root = spare[used].release();
    root->count = 2;
    root->children[0] = root_;
    root->children[1] = added;
    root->keys[0] = divider;
    root_ = root;
    ++height_;
}

void DueOrder::Erase(const DueKey &key) {
    Step path[kMaxHeight];
    Leaf *const leaf = Descend(key, path);
    const int at = LowerBound(leaf->keys, leaf->count, key);
    CloseGap(leaf->keys + at, leaf->keys + leaf->count);
    CloseGap(leaf->ids + at, leaf->ids + leaf->count);
    --leaf->count;
    --size_;

    Node *node = leaf;
    for (int level = height_ - 1; level >= 0; --level) {
        const bool leaves = level == height_ - 1;
        if (node->count >= (leaves ? kLeafCapacity : kInnerCapacity) / 3)
            break;
        Inner *const parent = path[level].node;
        const int left = path[level].child > 0 ? path[level].child - 1 : 0;
        if (leaves)
            BalanceLeaves(parent, left);
        else
            BalanceInners(parent, left);
        node = parent;
    }
    if (height_ > 0 && root_->count == 1) {
        Inner *const old = static_cast<Inner *>(root_);
        root_ = old->children[0];
        delete old;
        --height_;
    }
}

void DueOrder::ResortFront(const DueKey &key) {
    Leaf *const leaf = first_;
    const std::uint32_t id = leaf->ids[0];
    // The key stays in the leftmost leaf while it is below the divider above that leaf.
    bool stays = height_ == 0;
    if (!stays) {
        Node *parent = root_;
        for (int level = 1; level < height_; ++level)
            parent = static_cast<Inner *>(parent)->children[0];
        stays = key < static_cast<Inner *>(parent)->keys[0];
    }
    if (!stays) {
        const DueKey old = leaf->keys[0];
        Insert(key, id); // first: should it fail, the id keeps its place
        Erase(old);
        return;
    }
    const int at = LowerBound(leaf->keys + 1, leaf->count - 1, key);
    std::copy(leaf->keys + 1, leaf->keys + 1 + at, leaf->keys);
    std::copy(leaf->ids + 1, leaf->ids + 1 + at, leaf->ids);
    leaf->keys[at] = key;
    leaf->ids[at] = id;
}

void DueOrder::RemoveChild(Inner *parent, int child) {
    std::copy(parent->keys + child, parent->keys + parent->count - 1, parent->keys + child - 1);
    std::copy(parent->children + child + 1, parent->children + parent->count,
              parent->children + child);
    --parent->count;
}

void DueOrder::BalanceLeaves(Inner *parent, int left) {
    Leaf *const l = static_cast<Leaf *>(parent->children[left]);
    Leaf *const r = static_cast<Leaf *>(parent->children[left + 1]);
    const int total = l->count + r->count;
    if (total <= kLeafCapacity) {
        std::copy(r->keys, r->keys + r->count, l->keys + l->count);
        std::copy(r->ids, r->ids + r->count, l->ids + l->count);
        l->count = total;
        l->next = r->next;
        delete r;
        RemoveChild(parent, left + 1);
        return;
    }
    const int half = total / 2;
    if (l->count > half) {
        const int moved = l->count - half;
        std::copy_backward(r->keys, r->keys + r->count, r->keys + r->count + moved);
        std::copy_backward(r->ids, r->ids + r->count, r->ids + r->count + moved);
        std::copy(l->keys + half, l->keys + l->count, r->keys);
        std::copy(l->ids + half, l->ids + l->count, r->ids);
    } else {
        const int moved = half - l->count;
        std::copy(r->keys, r->keys + moved, l->keys + l->count);
        std::copy(r->ids, r->ids + moved, l->ids + l->count);
        std::copy(r->keys + moved, r->keys + r->count, r->keys);
        std::copy(r->ids + moved, r->ids + r->count, r->ids);
    }
    l->count = half;
    r->count = total - half;
    parent->keys[left] = r->keys[0];
}

void DueOrder::BalanceInners(Inner *parent, int left) {
    Inner *const l = static_cast<Inner *>(parent->children[left]);
    Inner *const r = static_cast<Inner *>(parent->children[left + 1]);
    // Both nodes' children in a row, with the parent's divider between their dividers.
    const int total = l->count + r->count;
    Node *children[2 * kInnerCapacity];
    DueKey dividers[2 * kInnerCapacity];
    std::copy(l->children, l->children + l->count, children);
    std::copy(r->children, r->children + r->count, children + l->count);
    std::copy(l->keys, l->keys + l->count - 1, dividers);
    dividers[l->count - 1] = parent->keys[left];
    std::copy(r->keys, r->keys + r->count - 1, dividers + l->count);

    const int kept = total <= kInnerCapacity ? total : total / 2;
    std::copy(children, children + kept, l->children);
    std::copy(dividers, dividers + kept - 1, l->keys);
    l->count = kept;
    if (kept == total) {
        delete r;
        RemoveChild(parent, left + 1);
        return;
    }
    std::copy(children + kept, children + total, r->children);
    std::copy(dividers + kept, dividers + total - 1, r->keys);
    r->count = total - kept;
    parent->keys[left] = dividers[kept - 1];
}

void DueOrder::CheckInvariants() const {
    const auto fail = [](const char *fault) { throw std::logic_error(fault); };
    // The leaf the chain says comes next: the nodes at the bottom level, and only they, are met
    // in the chain's order.
    const Leaf *next = first_;
    const DueKey *last = nullptr;
    std::size_t count = 0;
    // `node` at `level` (0 at the root), all of whose keys lie in [low, high) of those given.
    const auto check = [&](const auto &self, const Node *node, int level, const DueKey *low,
                           const DueKey *high) -> void {
        const bool root = node == root_;
        if (level == height_) {
            const Leaf *const leaf = static_cast<const Leaf *>(node);
            if (leaf->count > kLeafCapacity || (!root && leaf->count < kLeafCapacity / 3))
                fail("a leaf filled out of bounds");
            if (leaf != next)
                fail("the leaf chain is out of order");
            next = leaf->next;
            for (const DueKey &key : std::span(leaf->keys, leaf->count)) {
                if (last && !(*last < key))
                    fail("keys out of order");
                if ((low && key < *low) || (high && !(key < *high)))
                    fail("a key outside its separators");
                last = &key;
            }
            count += leaf->count;
            return;
        }
        const Inner *const inner = static_cast<const Inner *>(node);
        if (inner->count > kInnerCapacity || inner->count < (root ? 2 : kInnerCapacity / 3))
            fail("an inner node filled out of bounds");
        for (int i = 0; i < inner->count; ++i) {
            const DueKey *const below = i > 0 ? &inner->keys[i - 1] : low;
            const DueKey *const above = i + 1 < inner->count ? &inner->keys[i] : high;
            if (below && above && !(*below < *above))
                fail("separators out of order");
            if (level + 1 < height_ && inner->children[i] == next)
                fail("a leaf above the bottom level");
            self(self, inner->children[i], level + 1, below, above);
        }
    };
    if (height_ > 0 && root_ == first_)
        fail("a leaf above the bottom level");
    check(check, root_, 0, nullptr, nullptr);
    if (next)
        fail("the leaf chain goes on past the last leaf");
    if (count != size_)
        fail("the size differs from the count of ids in the leaves");
}

} // namespace quorvane
