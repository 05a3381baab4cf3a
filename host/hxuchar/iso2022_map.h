// An ISO-2022 encoding as data (tables/generate.py makes the tables):
// graphic sets designated into G0, G1 or G2 by escape sequences; G1 is
// invoked with SO and SI, a G2 character by the single shift ESC N. The
// state machine follows the reference codecs' reading of the standard, so
// that malformed input is replaced the same way: an escape runs to its
// final byte (A-Z or @); an escape naming a set the encoding lacks is one
// replacement for all its bytes; ESC before anything but an intermediate
// byte passes through with the bytes after it, as ISO-8859-1, up to a
// final byte; a two-byte set takes any two bytes whose first is 20-7F; LF
// ends a shift.
#pragma once

#include <cstdint>

#include "hx/hx_uchar.h"

namespace hxuchar {

// One set an escape may designate. `mark` is the escape's final byte, with
// kDoubleByteMark added for sets of two-byte characters (as in "ESC $ B").
// Entries of toCode: a code point, kPairBit + index into the pairs for a
// code that stands for two characters, or kUnmappedCode.
struct Iso2022Set {
    std::uint8_t mark;
    std::uint8_t width;          // 1 or 2 bytes per character
    std::uint8_t plane;          // 0 = G0, 1 = G1 (invoked by SO), 2 = G2 (ESC N)
    // One-byte sets: 96 entries from 20; two-byte: 94 x 94 from 21 21;
    // G2 sets: 256 entries, by the byte after ESC N.
    const std::uint32_t* toCode;
};

// A code point outside the BMP, or two characters written as one code:
// what the encoder writes for them (as a page entry).
struct Iso2022Wide {
    std::uint32_t code;
    std::uint32_t entry;
};
// The entry of `code` among `count` sorted by code; 0 when none.
std::uint32_t findWide(const Iso2022Wide* wide, int count, std::uint32_t code) noexcept;
struct Iso2022Characters {
    char16_t first;
    char16_t second;
};
// Cells from here up stand for no character (kUnmappedCode and the like).
inline constexpr std::uint32_t kNoCharacterCells = 0xFFFFFFF0;
// The code points of a cell (a code point, or kPairBit + the index of two
// characters in `pairs`) written to `codes`: 1 or 2; -1 for no character.
int yieldCell(std::uint32_t value, const Iso2022Characters* pairs, int* codes) noexcept;

struct Iso2022Pair {
    char16_t first;
    char16_t second;
    std::uint32_t entry;
};

struct Iso2022Map {
    static constexpr std::uint8_t kDoubleByteMark = 0x80;
    static constexpr int kBlockSize = 64;
    static constexpr std::uint32_t kUnmappedCode = 0xFFFFFFFF;
    static constexpr std::uint32_t kPairBit = 0x80000000;
    // Configuration.
    static constexpr unsigned kNoShift = 1;        // SO and SI are plain controls
    static constexpr unsigned kJisX0208Ext = 2;    // "ESC & @ ESC $ B" designates JIS X 0208
    static constexpr unsigned kUseG2 = 4;          // ESC . F designates G2, ESC N shifts to it

    const Iso2022Set* sets;
    int setCount;
    unsigned config;
    // Decoding: the two characters of each pair code.
    const Iso2022Characters* pairs;
    // Encoding: BMP code points through pages of kBlockSize entries, each
    // the set index + 1 above bit 16 and the character's bytes below it
    // (0: not in any set); code points below 80 are always ASCII. Code
    // points beyond the BMP, sorted; pairs, sorted, tried first.
    const std::uint16_t* pageOfBlock;   // 0x10000 / kBlockSize entries
    const std::uint32_t* pages;
    const Iso2022Wide* wide;
    int wideCount;
    const Iso2022Pair* pairCodes;
    int pairCount;

    // One step from `s` in `state`: returns the code points written to
    // `codes` (0 for an escape or shift, 1 or 2), or -1 for bytes that are
    // one replacement; *length = bytes taken. A zero byte (the padding
    // after the data) cuts a sequence: the step is then negative and covers
    // the bytes before the zero.
    int scan(const unsigned char* s, hx_uchar_state* state, int* codes, int* length) const noexcept;
    // hx_uchar_decode_run_state for this set: plain runs of the current set
    // in a tight loop, everything else a step at a time.
    int decodeRun(const unsigned char* s, int count, bool lineEnds, unsigned char* out, int room, int* taken,
                  hx_uchar_state* state) const noexcept;
    // Whether `cp` followed by another character may be written as one code.
    bool startsPair(int cp) const noexcept;
    // The bytes for `cp` (escape included) from `state`, or for `cp` and
    // `next` together when they form a pair (*both is then set); 0 when no
    // set has it. `out` holds 16 bytes.
    int encode(int cp, int next, hx_uchar_state* state, unsigned char* out, bool* both) const noexcept;
    // The bytes that return `state` to the initial one.
    int reset(hx_uchar_state* state, unsigned char* out) const noexcept;

private:
    const Iso2022Set* setOfMark(unsigned mark) const noexcept;
    int escape(const unsigned char* s, hx_uchar_state* state, int* length) const noexcept;
    int singleShift(const unsigned char* s, const hx_uchar_state* state, int* codes, int* length) const noexcept;
    int yield(std::uint32_t value, int* codes) const noexcept;
    std::uint32_t entryOf(int cp) const noexcept;
    int writeEntry(std::uint32_t entry, hx_uchar_state* state, unsigned char* out) const noexcept;
};

}  // namespace hxuchar
