// A double-byte EBCDIC page as data (tables/generate.py makes the tables):
// single bytes until SO (0E), byte pairs from it until SI (0F). The state
// machine reads malformed input as the reference converter does, so that it
// is replaced the same way: in double-byte mode a lead byte takes the byte
// after it when that byte lies in the lead's trail range (a pair the page
// leaves unassigned is then one replacement); otherwise the lead alone is
// one replacement when the byte after it could start something (a shift or
// a lead with a trail range), else the two bytes are.
#pragma once

#include <cstdint>

#include "hx/hx_uchar.h"

namespace hxuchar {

// What a double-byte code beyond the 16-bit entries reads as: a character
// beyond the BMP (second 0) or two characters.
struct EbcdicCharacters {
    char32_t first;
    char32_t second;
};
struct EbcdicWideCode {
    char32_t cp;
    std::uint16_t code;
};
struct EbcdicPairCode {
    char16_t first;
    char16_t second;
    std::uint16_t code;
};

struct CodeRange {
    char32_t first;
    char32_t last;
};

struct EbcdicDbcsMap {
    static constexpr int kBlockSize = 64;
    static constexpr char16_t kUnmapped = 0xFFFF;
    // A double-byte entry from kPairBase on indexes `pairs`.
    static constexpr char16_t kPairBase = 0xD800;
    // Encoder entries: 0 = not on the page, kSingleBase + byte, or the
    // pair of bytes (lead 40 or above), or kDropped: a default-ignorable
    // character the page lacks is written as nothing, as the reference does.
    static constexpr std::uint16_t kSingleBase = 0x100;
    static constexpr std::uint16_t kDropped = 0xFFFF;
    static constexpr unsigned char kShiftOut = 0x0E;
    static constexpr unsigned char kShiftIn = 0x0F;

    const char16_t* single;            // 256 code points, kUnmapped for none
    const std::uint8_t* trailLow;      // 256 leads: their trail range,
    const std::uint8_t* trailHigh;     // empty when low > high
    // Pair codes lead << 8 | trail from 4000, in blocks of kBlockSize.
    const std::uint16_t* blockOfPair;  // 0xC000 / kBlockSize entries
    const char16_t* pairPages;
    const EbcdicCharacters* pairs;
    // Encoding: BMP code points through pages of kBlockSize entries; the
    // character pairs written as one code, sorted.
    const std::uint16_t* pageOfBlock;  // 0x10000 / kBlockSize entries
    const std::uint16_t* pages;
    const EbcdicPairCode* pairCodes;
    int pairCount;
    const EbcdicWideCode* wide;        // code points beyond the BMP, sorted
    int wideCount;
    const CodeRange* droppedBeyondBmp;   // sorted
    int droppedRangeCount;

    // As Iso2022Map::scan.
    int scan(const unsigned char* s, hx_uchar_state* state, int* codes, int* length) const noexcept;
    // hx_uchar_decode_run_state: single bytes and pairs in tight loops.
    int decodeRun(const unsigned char* s, int count, bool lineEnds, unsigned char* out, int room, int* taken,
                  hx_uchar_state* state) const noexcept;
    // hx_uchar_encode_run_state without a call per character.
    int encodeRun(const unsigned char* text, int length, unsigned char* out, int room, int* taken,
                  hx_uchar_state* state) const noexcept;
    // Whether `cp` is written as nothing.
    bool drops(int cp) const noexcept;
    // As Iso2022Map::encode (at most 4 bytes); 0 also for a dropped character.
    int encode(int cp, int next, hx_uchar_state* state, unsigned char* out, bool* both) const noexcept;
    // SI when the state is double-byte.
    static int reset(hx_uchar_state* state, unsigned char* out) noexcept;

private:
    bool hasTrails(unsigned char lead) const noexcept { return trailLow[lead] <= trailHigh[lead]; }
    char16_t pairEntry(unsigned lead, unsigned trail) const noexcept {
        const unsigned code = (lead << 8 | trail) - 0x4000;
        return pairPages[blockOfPair[code / kBlockSize] * kBlockSize + code % kBlockSize];
    }
    std::uint16_t entryOf(int cp) const noexcept {
        if (static_cast<unsigned>(cp) < 0x10000u) return pages[pageOfBlock[cp / kBlockSize] * kBlockSize + cp % kBlockSize];
        return wideEntry(cp);
    }
    std::uint16_t wideEntry(int cp) const noexcept;
    int yield(char16_t entry, int* codes) const noexcept;
};

}  // namespace hxuchar
