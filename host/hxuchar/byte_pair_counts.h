// How often each pair of adjacent bytes occurs in a sample, for the pairs a
// detector cares about, in a fixed table that never allocates.
#pragma once

#include <cstdint>

namespace hxuchar {

class BytePairCounts {
public:
    // Counts the pairs of `bytes`; with `highOnly`, only the pairs holding a
    // byte above 0x7F (ASCII pairs look alike in every set that has ASCII).
    void count(const unsigned char* bytes, int length, bool highOnly) noexcept;

    int distinct() const noexcept { return used_; }
    // The i-th distinct pair (first byte in the high 8 bits) and its count.
    std::uint16_t pair(int i) const noexcept { return pairs_[i]; }
    std::uint32_t occurrences(int i) const noexcept { return counts_[i]; }
    std::uint32_t total() const noexcept { return total_; }
    // Which bytes occur in a counted pair.
    bool seen(unsigned byte) const noexcept { return (seen_[byte >> 6] >> (byte & 63)) & 1u; }

private:
    static constexpr int kSlots = 8192;  // a power of two
    static constexpr int kMostDistinct = kSlots / 2;

    void add(std::uint16_t pair) noexcept;

    // slots_[h] is 0 when empty, else 1 + an index into pairs_/counts_; the
    // table stays at most half full, so probing always ends. Pairs past
    // kMostDistinct are not counted: the sample has said enough by then.
    std::uint16_t slots_[kSlots];
    std::uint16_t pairs_[kMostDistinct];
    std::uint32_t counts_[kMostDistinct];
    int used_ = 0;
    std::uint32_t total_ = 0;
    std::uint64_t seen_[4] = {};
};

}  // namespace hxuchar
