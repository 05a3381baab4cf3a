// A single-byte character set as data: the code point of every byte and a
// reverse table for encoding, both generated (tables/generate.py) so that a
// lookup never allocates.
#pragma once

#include <cstdint>

namespace hxuchar {

// Marks a byte the set leaves undefined. No set maps a byte to the
// noncharacter U+FFFF.
inline constexpr char16_t kUnmappedByte = 0xFFFF;

struct ReverseEntry {
    char16_t code;
    std::uint8_t byte;
};

struct SingleByteMap {
    const char16_t* toCode;        // 256 entries
    const ReverseEntry* fromCode;  // sorted by code point
    int reverseCount;
    // The byte written for a character the set lacks: the set's own "?".
    std::uint8_t substitute;

    // Code point of `byte`, or -1 when the set leaves it undefined.
    int decode(std::uint8_t byte) const noexcept {
        char16_t code = toCode[byte];
        return code == kUnmappedByte ? -1 : code;
    }

    // The byte for `cp`, or -1 when the set lacks it.
    int encode(int cp) const noexcept {
        // Most text is in the part of a set that keeps ASCII's or Latin-1's
        // positions.
        if (cp >= 0 && cp < 256 && toCode[cp] == cp) return cp;
        if (cp < 0 || cp > 0xFFFF) return -1;
        int low = 0;
        int high = reverseCount;
        while (low < high) {
            int middle = (low + high) / 2;
            if (fromCode[middle].code < cp) low = middle + 1;
            else high = middle;
        }
        return low < reverseCount && fromCode[low].code == cp ? fromCode[low].byte : -1;
    }
};

}  // namespace hxuchar
