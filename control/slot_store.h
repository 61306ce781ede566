// Objects under small, stable numbers (ids). They live in pages of 1024 that never move, so the
// store grows without copying and without a doubled array's slack; only the first page grows
// gradually, so that a handful of objects costs a handful of slots. A released id is handed out
// again before a new one.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace quorvane {

template <class T> class SlotStore {
public:
    T &operator[](std::uint32_t id) { return pages_[id >> kPageBits][id & (kPageSize - 1)]; }
    const T &operator[](std::uint32_t id) const {
        return pages_[id >> kPageBits][id & (kPageSize - 1)];
    }

    // Makes room for `count` objects in all.
    void Reserve(std::size_t count) {
        pages_.reserve((count + kPageSize - 1) / kPageSize);
        if (pages_.empty() && count > 0)
            pages_.emplace_back();
        if (pages_.size() == 1)
            pages_.front().reserve(count < kPageSize ? count : kPageSize);
    }

    std::uint32_t Add(T value) {
        if (!free_.empty()) {
            const std::uint32_t id = free_.back();
            (*this)[id] = std::move(value);
            free_.pop_back();
            return id;
        }
        if (pages_.empty() || pages_.back().size() == kPageSize) {
            pages_.emplace_back();
            if (pages_.size() > 1)
                pages_.back().reserve(kPageSize);
        }
        pages_.back().push_back(std::move(value));
        return static_cast<std::uint32_t>(((pages_.size() - 1) << kPageBits) +
                                          pages_.back().size() - 1);
    }

    // Drops the object under `id` (what it owns is freed now) and keeps the id for reuse; should
    // the list of free ids fail to grow, the id is merely not reused.
    void Release(std::uint32_t id) noexcept {
        (*this)[id] = T();
        try {
            free_.push_back(id);
        } catch (...) {
        }
    }

    void Clear() {
        std::vector<std::vector<T>>().swap(pages_);
        std::vector<std::uint32_t>().swap(free_);
    }

private:
    static constexpr unsigned kPageBits = 10;
    static constexpr std::size_t kPageSize = std::size_t{1} << kPageBits;

    std::vector<std::vector<T>> pages_;
    std::vector<std::uint32_t> free_;
};

} // namespace quorvane
