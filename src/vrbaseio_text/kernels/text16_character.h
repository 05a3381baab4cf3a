// Writing UTF-16: the internal form to 16-bit units one character at a
// time, the reference the vector kernels are held to and the way they take
// what their blocks do not cover.
#pragma once

#include <cstddef>
#include <cstring>

#include "vrbaseio_text/utf8_sequence.h"

namespace vrb::ascii {

// The character at text[i, limit) stored at out as one 16-bit unit;
// returns the text bytes it took, or 0 where a run stops: U+0000, text
// that is not well-formed or is cut short at limit, and characters beyond
// the BMP, which need two units and are the writer's to decide.
inline int text16Character(const unsigned char* text, int i, int limit, bool bigEndian, char* out) noexcept {
    unsigned code = text[i];
    int taken = 1;
    if (code == 0) return 0;
    if (code >= 0x80) {
        taken = vrb::utf8::wellFormed(text + i, limit - i, &code);
        if (taken == 0 || code >= 0x10000) return 0;
    }
    out[bigEndian ? 0 : 1] = static_cast<char>(code >> 8);
    out[bigEndian ? 1 : 0] = static_cast<char>(code & 0xFF);
    return taken;
}

// From text byte i and unit `made` on, the characters text16Character
// takes, at most `room` units in all. Returns the byte where it stopped.
inline int text16Characters(const unsigned char* text, int i, int limit, bool bigEndian, char* out, int room,
                            int* made) noexcept {
    int units = *made;
    while (i < limit && units < room) {
        const int taken = text16Character(text, i, limit, bigEndian, out + 2 * units);
        if (taken == 0) break;
        i += taken;
        ++units;
    }
    *made = units;
    return i;
}

// The vector kernels' loop over blocks of `Width` text bytes: `block(text,
// out, &units)` stores the run of characters of one kind (ASCII, two or
// three bytes of UTF-8) that the block starts with, at most `Width` units,
// and returns the bytes the run took; a block that starts with anything
// else is left to text16Character. The last block of the text ends at
// `limit` and starts again over the ASCII just taken when there is enough
// of it, each byte its own unit, so it stores those units again unchanged;
// otherwise it is read from a copy padded with zero bytes, which end
// every run (a copy the load waits for, so only where it must).
template <int Width, typename Block>
inline int storeText16ByBlocks(const unsigned char* text, int limit, bool bigEndian, char* out, int room, int* stored,
                               Block block) noexcept {
    // Counted here, not through `stored`, which the stores to `out` may alias.
    int i = 0, made = 0;
    int ascii = 0;   // the ASCII bytes just before i, each stored as the unit just before `made`
    unsigned char padded[Width];
    while (i < limit && made + Width <= room) {
        const unsigned char* from = text + i;
        int back = 0;
        if (i + Width > limit) {
            back = i + Width - limit;
            if (limit >= Width && ascii >= back) {
                from = text + limit - Width;
            } else {
                back = 0;
                std::memset(padded, 0, Width);
                std::memcpy(padded, text + i, static_cast<std::size_t>(limit - i));
                from = padded;
            }
        }
        int units = 0;
        const int taken = block(from, out + 2 * (made - back), &units) - back;
        i += taken;
        made += units - back;
        if (taken > 0) {
            ascii = units == taken + back ? ascii + taken : 0;
            continue;
        }
        const int one = text16Character(text, i, limit, bigEndian, out + 2 * made);
        if (one == 0) {
            *stored = made;
            return i;
        }
        ascii = one == 1 ? ascii + 1 : 0;
        i += one;
        ++made;
    }
    i = text16Characters(text, i, limit, bigEndian, out, room, &made);
    *stored = made;
    return i;
}

}  // namespace vrb::ascii
