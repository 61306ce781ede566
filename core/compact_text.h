// A text of UTF-16 code units in 32 bytes: up to 14 units are kept inside the object, longer
// texts in a heap block of exactly their size. It may also hold no text at all, as a collection
// item without a key does. Entry names are mostly short, so most cost no allocation.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace quorvane {

class CompactText {
public:
    static constexpr std::size_t kInPlace = 14;

    CompactText() = default; // no text
    explicit CompactText(std::u16string_view text);
    CompactText(const CompactText &other);
    // Moving and dropping are inline: a snapshot does both for every entry, and the list both
    // for every entry it adds or removes.
    CompactText(CompactText &&other) noexcept : size_(other.size_) {
        std::memcpy(units_, other.units_, sizeof units_);
        other.size_ = kNoText;
    }
    CompactText &operator=(const CompactText &other) { return *this = CompactText(other); }
    CompactText &operator=(CompactText &&other) noexcept {
        if (this != &other) {
            if (OnHeap())
                FreeHeap();
            std::memcpy(units_, other.units_, sizeof units_);
            size_ = other.size_;
            other.size_ = kNoText;
        }
        return *this;
    }
    ~CompactText() {
        if (OnHeap())
            FreeHeap();
    }

    bool has_value() const { return size_ != kNoText; }
    // The text; empty when there is none.
    std::u16string_view view() const {
        if (size_ <= kInPlace)
            return {units_, size_};
        return has_value() ? std::u16string_view{HeapUnits(), size_} : std::u16string_view{};
    }

private:
    static constexpr std::uint32_t kNoText = UINT32_MAX;

    // Beyond kInPlace units, units_ holds the address of the heap copy.
    const char16_t *HeapUnits() const;
    void FreeHeap() noexcept;
    bool OnHeap() const { return has_value() && size_ > kInPlace; }

    alignas(char16_t *) char16_t units_[kInPlace] = {};
    std::uint32_t size_ = kNoText;
};

static_assert(sizeof(CompactText) == 32);

} // namespace quorvane
