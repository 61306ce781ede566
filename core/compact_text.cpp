#include "compact_text.h"

#include <cstring>
#include <stdexcept>

namespace quorvane {

CompactText::CompactText(std::u16string_view text) {
    if (text.size() >= kNoText)
        throw std::length_error("text too long");
    if (text.size() <= kInPlace) {
        std::memcpy(units_, text.data(), text.size() * sizeof(char16_t));
    } else {
        char16_t *const heap = new char16_t[text.size()];
        std::memcpy(heap, text.data(), text.size() * sizeof(char16_t));
        std::memcpy(units_, &heap, sizeof heap);
    }
    size_ = static_cast<std::uint32_t>(text.size());
}

CompactText::CompactText(const CompactText &other) {
    if (other.has_value())
        *this = CompactText(other.view());
}

void CompactText::FreeHeap() noexcept {
    delete[] HeapUnits();
}

const char16_t *CompactText::HeapUnits() const {
    const char16_t *heap;
    std::memcpy(&heap, units_, sizeof heap);
    return heap;
}

} // namespace quorvane
