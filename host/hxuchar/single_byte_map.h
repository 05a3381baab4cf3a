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
    // For bulk runs: each byte's UTF-8 form (bytes in the low 24 bits, their
    // count above, kRunLineEnd and kRunStop flags), and the reverse table
    // below kFastBlocks * kBlockSize as pages (0: not in the set).
    const std::uint32_t* utf8;
    const std::uint8_t* pageOfBlock;
    const std::uint8_t* pages;
    // Bytes 00-7F are ASCII.
    bool asciiLowerHalf;

    static constexpr int kBlockSize = 64;
    static constexpr int kFastBlocks = 0x3000 / kBlockSize;
    static constexpr std::uint32_t kRunLineEnd = 1u << 27;
    static constexpr std::uint32_t kRunStop = 1u << 28;

    // Code point of `byte`, or -1 when the set leaves it undefined.
    int decode(std::uint8_t byte) const noexcept {
        char16_t code = toCode[byte];
        return code == kUnmappedByte ? -1 : code;
    }

    // The byte for `cp`, or -1 when the set lacks it.
    int encode(int cp) const noexcept {
        if (cp > 0 && cp < kFastBlocks * kBlockSize) {
            const int byte = pages[pageOfBlock[cp / kBlockSize] * kBlockSize + cp % kBlockSize];
            return byte != 0 ? byte : -1;
        }
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

    // Bulk conversion (hx_uchar_decode_run, hx_uchar_encode_run).
    int decodeRun(const unsigned char* s, int count, bool lineEnds, unsigned char* out, int room, int* taken) const noexcept;
    int encodeRun(const unsigned char* text, int length, unsigned char* out, int room, int* taken) const noexcept;
};

}  // namespace hxuchar
