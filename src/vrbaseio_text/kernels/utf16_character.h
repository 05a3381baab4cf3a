// UTF-16 to the internal form one character at a time: the reference the
// vector kernels are held to, and the way they take what their blocks do
// not cover.
#pragma once

#include <type_traits>

#include "hx/hx_line_ends.h"
#include "vrbaseio_text/kernels/plain_ascii.h"
#include "vrbaseio_text/utf8_sequence.h"

namespace vrb::ascii {

// The character at unit i of units[0, limit) stored as UTF-8 at out when it
// fits in `room` bytes; returns the units it took (a surrogate pair two),
// with its length in *stored, or 0 where a run stops: U+0000, a surrogate
// that is not the high half of a pair in the units, no room and, with
// lineEnds, a line end.
inline int utf16Character(const unsigned char* units, int i, int limit, bool bigEndian, bool lineEnds, char* out,
                          int room, int* stored) noexcept {
    const unsigned value = unit16At(units + 2 * i, bigEndian);
    if (value < 0x80) {
        if (!isPlain(value, lineEnds) || room < 1) return 0;
        out[0] = static_cast<char>(value);
        *stored = 1;
        return 1;
    }
    if (value >= 0xD800 && value < 0xE000) {
        if (value >= 0xDC00 || i + 1 >= limit || room < 4) return 0;
        const unsigned low = unit16At(units + 2 * i + 2, bigEndian);
        if (low < 0xDC00 || low >= 0xE000) return 0;
        vrb::utf8::putSupplementary(0x10000 + ((value - 0xD800) << 10) + (low - 0xDC00), out);
        *stored = 4;
        return 2;
    }
    if (lineEnds && hxuchar::isLineEndCharacter(value)) return 0;
    if (room < (value < 0x800 ? 2 : 3)) return 0;
    *stored = vrb::utf8::putBmp(value, out);
    return 1;
}

// From unit i on, the characters utf16Character takes; *stored grows by
// the bytes they make. Returns the unit where it stopped.
inline int utf16Characters(const unsigned char* units, int i, int limit, bool bigEndian, bool lineEnds, char* out,
                           int room, int* stored) noexcept {
    int made = *stored;
    while (i < limit) {
        int length = 0;
        const int taken = utf16Character(units, i, limit, bigEndian, lineEnds, out + made, room - made, &length);
        if (taken == 0) break;
        i += taken;
        made += length;
    }
    *stored = made;
    return i;
}

// The leading units of a block of `width` whose bits (two a unit, as a
// byte mask of 16-bit lanes gives them) are set.
inline int leadingUnits(unsigned laneBytes, int width) noexcept {
    return __builtin_ctzll(~static_cast<unsigned long long>(laneBytes) | 1ull << (2 * width)) / 2;
}

// The vector kernels' loop over blocks of `Width` units: `block(lineEnds,
// units, out, &bytes, &ended)` stores the run of characters of one kind
// (ASCII, two bytes or three bytes of UTF-8) that the block starts with,
// returns its units, sets the bytes it made and whether a stop that ends
// the whole run (U+0000 or a line end) follows it, storing at most
// `MaxStore` bytes; a block that starts with anything else is left to
// utf16Character. lineEnds reaches the block as a compile-time constant.
template <int Width, int MaxStore, typename Block>
inline int convertUnits16ByBlocks(const unsigned char* units, int limit, bool bigEndian, bool lineEnds, char* out,
                                  int room, int* stored, Block block) noexcept {
    auto convert = [&](auto lineEndsConstant) {
        // Counted here, not through `stored`, which the stores to `out` may alias.
        int i = 0, made = 0;
        while (i + Width <= limit && made + MaxStore <= room) {
            int bytes = 0;
            bool ended = false;
            const int run = block(lineEndsConstant, units + 2 * i, out + made, &bytes, &ended);
            i += run;
            made += bytes;
            if (ended) {
                *stored = made;
                return i;
            }
            if (run > 0) continue;
            int length = 0;
            const int taken = utf16Character(units, i, limit, bigEndian, lineEnds, out + made, room - made, &length);
            if (taken == 0) break;
            i += taken;
            made += length;
        }
        *stored = made;
        return utf16Characters(units, i, limit, bigEndian, lineEnds, out, room, stored);
    };
    return lineEnds ? convert(std::true_type{}) : convert(std::false_type{});
}

}  // namespace vrb::ascii
