// A multi-byte character set as data (tables/generate.py makes the tables):
// one to four bytes per character through lead-byte tables.
//
// Decoding: `single` gives each byte's code point, kUnmappedByte, or
// kLeadByte for a byte that starts a longer sequence. A lead byte's row in
// `rows` holds the code points of its second bytes from trailLow to
// trailHigh. A `prefix` lead byte (EUC-JP's 8F) starts three bytes whose
// last two go through the second plane the same way. GB18030's four-byte
// sequences (a lead byte, then 30-39, 81-FE, 30-39) are numbered in order
// and mapped through ranges below U+10000 and by arithmetic above it.
//
// Encoding: BMP code points go through pages of kBlockSize entries:
// 0 = not in the set, below 0x100 one byte, 0x100-0x7FFF the prefix byte
// followed by the value's two bytes with their high bits set, from 0x8000
// two bytes. Four-byte sequences come from the ranges by code point.
#pragma once

#include <cstdint>

#include "single_byte_map.h"

namespace hxuchar {

inline constexpr char16_t kLeadByte = 0xFFFE;

// A run of `count` numbers from `key` that map to `count` numbers from
// `value`; runs are sorted by key and do not overlap.
struct SequenceRange {
    std::uint32_t key;
    std::uint32_t value;
    std::uint32_t count;
};

// The length of a malformed sequence whose byte `at` ended it: a zero byte
// there may be the padding after the data, and the bytes before it are then
// one cut character, unless one of them is ASCII, which no replacement may
// swallow; any other byte leaves the lead byte alone malformed, so that the
// bytes after it are read afresh.
int malformedLength(const unsigned char* s, int at) noexcept;

struct MultiByteMap {
    static constexpr int kBlockSize = 64;

    const char16_t* single;            // 256 entries
    const std::uint8_t* rowOfLead;     // 256 entries: row + 1, 0 for none
    const char16_t* rows;              // rows of trailHigh - trailLow + 1 entries
    std::uint8_t trailLow;
    std::uint8_t trailHigh;
    std::uint8_t prefix;               // 0 when the set has no three-byte plane
    const std::uint8_t* planeRowOf;    // the prefix plane, like rowOfLead
    const char16_t* planeRows;
    const SequenceRange* fourByteRanges;   // sequence number -> code point
    int fourByteRangeCount;
    const SequenceRange* fourByteByCode;   // code point -> sequence number
    int fourByteByCodeCount;
    const std::uint16_t* pageOfBlock;  // 0x10000 / kBlockSize entries
    const std::uint16_t* pages;

    int scan(const unsigned char* s, int* length) const noexcept;
    // Writes the bytes of `cp` (at most 4) and returns their count, or 0
    // when the set lacks it.
    int encode(int cp, unsigned char* out) const noexcept;

    // Bulk conversion (hx_uchar_decode_run, hx_uchar_encode_run).
    int decodeRun(const unsigned char* s, int count, bool lineEnds, unsigned char* out, int room, int* taken) const noexcept;
    int encodeRun(const unsigned char* text, int length, unsigned char* out, int room, int* taken) const noexcept;
};

}  // namespace hxuchar
