#include "block_sequence.h"

#include <algorithm>

namespace quorvane {

namespace {

constexpr std::size_t kBlockSize = 1024;

// Grows `v` ahead of time, so that the next push or insert cannot fail.
template <class T> void RoomForOneMore(std::vector<T> &v) {
    if (v.size() == v.capacity())
        v.reserve(2 * v.size() + 4);
}

} // namespace

void BlockSequence::Reserve(std::size_t count) {
    const std::size_t blocks = count / kBlockSize + 1;
    spans_.reserve(blocks);
    blocks_.reserve(blocks);
    block_of_.reserve(count);
    // The first block, empty until the first insert, with room for what it will hold.
    if (spans_.empty() && count > 0) {
        std::vector<std::uint32_t> ids;
        ids.reserve(std::min(count, kBlockSize));
        AddBlock(0, 0, std::move(ids));
    }
}

void BlockSequence::Insert(std::size_t position, std::uint32_t id) {
    if (id >= block_of_.size())
        block_of_.resize(std::size_t{id} + 1);
    if (spans_.empty())
        AddBlock(0, 0);
    std::size_t rank = position == size_ ? spans_.size() - 1 : RankAt(position);
    if (blocks_[spans_[rank].block].ids.size() == kBlockSize) {
        if (position == size_) { // appending: a new block, at full size from the start
            std::vector<std::uint32_t> ids;
            ids.reserve(kBlockSize);
            AddBlock(rank + 1, size_, std::move(ids));
            ++rank;
        } else {
            Split(rank);
            if (position >= spans_[rank + 1].start)
                ++rank;
        }
    }
    const Span &span = spans_[rank];
    std::vector<std::uint32_t> &ids = blocks_[span.block].ids;
    ids.insert(ids.begin() + static_cast<std::ptrdiff_t>(position - span.start), id);
    block_of_[id] = span.block;
    Shift(rank, 1);
    ++size_;
}

void BlockSequence::Erase(std::uint32_t id) {
    Block &block = blocks_[block_of_[id]];
    const std::size_t rank = block.rank;
    block.ids.erase(std::find(block.ids.begin(), block.ids.end(), id));
    Shift(rank, -1);
    --size_;
    if (block.ids.empty())
        RemoveBlock(rank);
    else
        MergeIfSmall(rank);
}

std::uint32_t BlockSequence::IdAt(std::size_t position) const {
    const Span &span = spans_[RankAt(position)];
    return blocks_[span.block].ids[position - span.start];
}

std::size_t BlockSequence::PositionOf(std::uint32_t id) const {
    const Block &block = blocks_[block_of_[id]];
    const auto at = std::find(block.ids.begin(), block.ids.end(), id);
    return spans_[block.rank].start + static_cast<std::size_t>(at - block.ids.begin());
}

std::size_t BlockSequence::RankAt(std::size_t position) const {
    const auto after =
        std::upper_bound(spans_.begin(), spans_.end(), position,
                         [](std::size_t p, const Span &span) { return p < span.start; });
    return static_cast<std::size_t>(after - spans_.begin()) - 1;
}

std::uint32_t BlockSequence::AddBlock(std::size_t rank, std::size_t start,
                                      std::vector<std::uint32_t> ids) {
    RoomForOneMore(spans_);
    std::uint32_t number;
    if (spare_blocks_.empty()) {
        blocks_.emplace_back();
        number = static_cast<std::uint32_t>(blocks_.size() - 1);
    } else {
        number = spare_blocks_.back();
        spare_blocks_.pop_back();
    }
    blocks_[number].ids = std::move(ids);
    spans_.insert(spans_.begin() + static_cast<std::ptrdiff_t>(rank), Span{start, number});
    Renumber(rank);
    return number;
}

void BlockSequence::RemoveBlock(std::size_t rank) noexcept {
    const std::uint32_t number = spans_[rank].block;
    std::vector<std::uint32_t>().swap(blocks_[number].ids);
    spans_.erase(spans_.begin() + static_cast<std::ptrdiff_t>(rank));
    Renumber(rank);
    try {
        spare_blocks_.push_back(number);
    } catch (...) { // the number is merely not reused
    }
}

void BlockSequence::Split(std::size_t rank) {
    constexpr std::size_t kHalf = kBlockSize / 2;
    const std::uint32_t from = spans_[rank].block;
    std::vector<std::uint32_t> upper;
    upper.reserve(kBlockSize);
    upper.assign(blocks_[from].ids.begin() + kHalf, blocks_[from].ids.end());
    const std::uint32_t to = AddBlock(rank + 1, spans_[rank].start + kHalf, std::move(upper));
    blocks_[from].ids.resize(kHalf);
    for (const std::uint32_t id : blocks_[to].ids)
        block_of_[id] = to;
}

void BlockSequence::MergeIfSmall(std::size_t rank) noexcept {
    if (spans_.size() < 2 || blocks_[spans_[rank].block].ids.size() >= kBlockSize / 4)
        return;
    const std::size_t left = rank + 1 < spans_.size() ? rank : rank - 1;
    const std::uint32_t into = spans_[left].block;
    const std::vector<std::uint32_t> &from = blocks_[spans_[left + 1].block].ids;
    std::vector<std::uint32_t> &ids = blocks_[into].ids;
    if (ids.size() + from.size() > kBlockSize / 2)
        return;
    try {
        ids.insert(ids.end(), from.begin(), from.end());
    } catch (...) { // merging only saves room
        return;
    }
    for (const std::uint32_t id : from)
        block_of_[id] = into;
    RemoveBlock(left + 1);
}

void BlockSequence::Shift(std::size_t after_rank, std::ptrdiff_t by) noexcept {
    for (std::size_t rank = after_rank + 1; rank < spans_.size(); ++rank)
        spans_[rank].start += static_cast<std::size_t>(by);
}

void BlockSequence::Renumber(std::size_t from_rank) noexcept {
    for (std::size_t rank = from_rank; rank < spans_.size(); ++rank)
        blocks_[spans_[rank].block].rank = rank;
}

} // namespace quorvane
