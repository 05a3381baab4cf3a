// A single-byte character set as data: the code point of every byte and a
// reverse table for encoding, both built at compile time so that a lookup
// never allocates.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace hxuchar {

// Marks a byte the set leaves undefined. No single-byte set maps a byte to
// the noncharacter U+FFFF.
inline constexpr char16_t kUnmappedByte = 0xFFFF;

struct ReverseEntry {
    char16_t code;
    std::uint8_t byte;
};

struct SingleByteMap {
    std::array<char16_t, 256> toCode{};
    // Sorted by code point; the first reverseCount entries are in use.
    std::array<ReverseEntry, 256> fromCode{};
    int reverseCount = 0;
    // The byte written for a character the set lacks: the set's own "?".
    std::uint8_t substitute = 0;
    // HX_PROP_ASCII_BYTES when bytes 00-7F are ASCII, else 0.
    int asciiProperty = 0;
    // Most internal-form (UTF-8) bytes a decoded byte takes.
    int maxInternalSize = 1;

    // Code point of `byte`, or -1 when the set leaves it undefined.
    constexpr int decode(std::uint8_t byte) const noexcept {
        char16_t code = toCode[byte];
        return code == kUnmappedByte ? -1 : code;
    }

    // The byte for `cp`, or -1 when the set lacks it.
    constexpr int encode(int cp) const noexcept {
        // Most text is in the part of a set that keeps Latin-1's positions.
        if (cp >= 0 && cp < 256 && toCode[static_cast<std::uint8_t>(cp)] == cp) return cp;
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

constexpr int utf8Length(int cp) {
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

constexpr SingleByteMap makeSingleByteMap(const std::array<char16_t, 256>& toCode) {
    SingleByteMap map;
    map.toCode = toCode;
    map.asciiProperty = 0x01;
    for (int byte = 0; byte < 256; ++byte) {
        char16_t code = toCode[byte];
        if (byte < 0x80 && code != byte) map.asciiProperty = 0;
        if (code == kUnmappedByte) continue;
        map.fromCode[map.reverseCount++] = ReverseEntry{code, static_cast<std::uint8_t>(byte)};
        map.maxInternalSize = std::max(map.maxInternalSize, utf8Length(code));
    }
    // Insertion sort: stable, so that a code point two bytes share encodes
    // as the lower byte, and usable at compile time.
    for (int i = 1; i < map.reverseCount; ++i) {
        ReverseEntry entry = map.fromCode[i];
        int j = i;
        for (; j > 0 && map.fromCode[j - 1].code > entry.code; --j) map.fromCode[j] = map.fromCode[j - 1];
        map.fromCode[j] = entry;
    }
    int question = map.encode('?');
    map.substitute = static_cast<std::uint8_t>(question < 0 ? 0x3F : question);
    return map;
}

// Sets whose bytes 00-7F are ASCII are given by their upper half.
constexpr SingleByteMap makeAsciiBasedMap(const std::array<char16_t, 128>& upperHalf) {
    std::array<char16_t, 256> toCode{};
    for (int byte = 0; byte < 128; ++byte) toCode[byte] = static_cast<char16_t>(byte);
    for (int byte = 0; byte < 128; ++byte) toCode[128 + byte] = upperHalf[byte];
    return makeSingleByteMap(toCode);
}

}  // namespace hxuchar
