#include "byte_pair_counts.h"

#include <cstring>

namespace hxuchar {

void BytePairCounts::count(const unsigned char* bytes, int length, bool highOnly) noexcept {
    std::memset(slots_, 0, sizeof slots_);
    used_ = 0;
    total_ = 0;
    std::memset(seen_, 0, sizeof seen_);
    for (int i = 0; i + 1 < length; ++i) {
        const unsigned first = bytes[i];
        const unsigned second = bytes[i + 1];
        if (highOnly && ((first | second) & 0x80u) == 0) continue;
        add(static_cast<std::uint16_t>(first << 8 | second));
    }
}

void BytePairCounts::add(std::uint16_t pair) noexcept {
    unsigned slot = (pair * 40503u) & (kSlots - 1);
    while (slots_[slot] != 0) {
        const int index = slots_[slot] - 1;
        if (pairs_[index] == pair) {
            ++counts_[index];
            ++total_;
            return;
        }
        slot = (slot + 1) & (kSlots - 1);
    }
    if (used_ == kMostDistinct) return;
    pairs_[used_] = pair;
    counts_[used_] = 1;
    ++used_;
    slots_[slot] = static_cast<std::uint16_t>(used_);
    ++total_;
    seen_[pair >> 14] |= 1ull << ((pair >> 8) & 63);
    seen_[(pair & 0xFF) >> 6] |= 1ull << (pair & 63);
}

}  // namespace hxuchar
