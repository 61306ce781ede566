// Ids in a sequence with positions from 0, kept in blocks of at most 1024 ids. Inserting or
// erasing anywhere moves the ids of one block and shifts the start positions of the blocks
// after it, so a change costs microseconds at a million ids where one array would move
// megabytes. Each id remembers its block, so its position is found without a search of the
// whole sequence. Blocks that shrink below a quarter merge with a neighbour.
#pragma once

#include <cstdint>
#include <vector>

namespace quorvane {

class BlockSequence {
public:
    std::size_t size() const { return size_; }
    // Makes room for `count` ids in all, so that appending them allocates little.
    void Reserve(std::size_t count);

    // Puts `id`, which is not in the sequence, at `position` (at most size()).
    void Insert(std::size_t position, std::uint32_t id);
    // Takes out `id`, which is in the sequence.
    void Erase(std::uint32_t id);

    std::uint32_t IdAt(std::size_t position) const;
    std::size_t PositionOf(std::uint32_t id) const;

    // A place in the sequence for a walk, valid while the sequence does not change.
    struct Place {
        std::size_t rank = 0;
        std::size_t offset = 0;
    };
    // The id at `place` in `*id`, moving the place on; false at the end.
    bool Next(Place &place, std::uint32_t *id) const {
        for (; place.rank < spans_.size(); ++place.rank, place.offset = 0) {
            const std::vector<std::uint32_t> &ids = blocks_[spans_[place.rank].block].ids;
            if (place.offset < ids.size()) {
                *id = ids[place.offset++];
                return true;
            }
        }
        return false;
    }

    template <class Visit> void ForEach(Visit &&visit) const {
        for (const Span &span : spans_)
            for (const std::uint32_t id : blocks_[span.block].ids)
                visit(id);
    }

private:
    struct Block {
        std::vector<std::uint32_t> ids;
        std::size_t rank = 0; // its place among the spans
    };
    // A block in sequence order with the position of its first id.
    struct Span {
        std::size_t start;
        std::uint32_t block;
    };

    std::size_t RankAt(std::size_t position) const;
    std::uint32_t AddBlock(std::size_t rank, std::size_t start,
                           std::vector<std::uint32_t> ids = {});
    void RemoveBlock(std::size_t rank) noexcept;
    void Split(std::size_t rank);
    void MergeIfSmall(std::size_t rank) noexcept;
    void Shift(std::size_t after_rank, std::ptrdiff_t by) noexcept;
    void Renumber(std::size_t from_rank) noexcept;

    std::vector<Block> blocks_; // by block number
    std::vector<std::uint32_t> spare_blocks_;
    std::vector<Span> spans_;
    std::vector<std::uint32_t> block_of_; // by id
    std::size_t size_ = 0;
};

} // namespace quorvane
