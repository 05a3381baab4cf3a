// A multi-byte set read through rows of 32-bit cells (tables/cell_tables.py
// makes the tables), so that one code may stand for a character beyond the
// BMP or for two characters: the JIS X 0213 sets, Big5-HKSCS, EUC-TW. Its
// decoder keeps no state; the catalogue serves it through the state
// functions because one step may yield two code points.
//
// Decoding: `single` gives each byte's code point, kLeadCode for a byte
// that starts a longer code, or kUnmappedCode. A lead byte has two rows, for
// its trail bytes below `split` and from it (one row when split is 0); the
// `prefix` byte starts a code of a lead and a trail byte, both A1-FE, in a
// second plane, after a selector byte that picks the plane when the set has
// several (EUC-TW). A row's cells run from trail byte `first` to `last`,
// counted without the `skip` byte, which is never a trail (Shift_JIS's 7F).
// Cells hold a code point, kPairBit + the index of two characters,
// kUnmappedCode, or kMalformedCode for a code the reference replaces whole. Rows point into whatever table holds the same cells (the
// planes of the ISO-2022 sets); a row the base set reads alike is left to it.
//
// Encoding: BMP code points through pages of kBlockSize entries, each the
// code's bytes big-endian (0: not in the set); code points beyond the BMP
// and pairs of characters written as one code, sorted.
#pragma once

#include <cstdint>

#include "iso2022_map.h"
#include "multi_byte_map.h"

namespace hxuchar {

struct CellRow {
    const std::uint32_t* cells;   // null: no codes, or with first 1 and last 0 the base set's row
    std::uint8_t first;
    std::uint8_t last;
};

struct CellMap {
    static constexpr int kBlockSize = 64;
    static constexpr std::uint32_t kUnmappedCode = 0xFFFFFFFF;
    static constexpr std::uint32_t kLeadCode = 0xFFFFFFFE;
    static constexpr std::uint32_t kMalformedCode = 0xFFFFFFFD;   // replaced whole
    static constexpr std::uint32_t kPairBit = 0x80000000;

    const std::uint32_t* single;        // 256 entries
    const CellRow* rows;                // two per byte
    std::uint8_t split;
    std::uint8_t skip;
    std::uint8_t prefix;                // 0: no second plane
    std::uint8_t selectorLow;           // 0: no selector byte
    std::uint8_t selectorHigh;
    const CellRow* planeRows;           // 94 per selector, by lead byte from A1
    const Iso2022Characters* pairs;
    const MultiByteMap* base;
    const std::uint16_t* pageOfBlock;   // 0x10000 / kBlockSize entries
    const std::uint32_t* pages;
    const Iso2022Wide* wide;
    int wideCount;
    const Iso2022Pair* pairCodes;
    int pairCount;

    // One code at `s`: the code points written to `codes` (1 or 2), or -1
    // for a malformed code (*length bytes, as MultiByteMap::scan counts them).
    int scan(const unsigned char* s, int* codes, int* length) const noexcept;
    // The bytes of `cp`, or of `cp` and `next` together when the set has
    // one code for the two (*both is then set); 0 when the set lacks it.
    int encode(int cp, int next, unsigned char* out, bool* both) const noexcept;

private:
    std::uint32_t entryOf(int cp) const noexcept;
};

}  // namespace hxuchar
