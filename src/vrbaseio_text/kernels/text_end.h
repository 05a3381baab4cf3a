// The search behind handing UTF-8 lines out in place: how much of the bytes
// is text that needs no change, the scalar way and by vector blocks.
#pragma once

#include "hx/hx_line_ends.h"
#include "vrbaseio_text/utf8_sequence.h"

namespace vrb::ascii {

// The length of the leading bytes of bytes[0, limit) that are well-formed
// UTF-8 without U+0000 and without line ends: the text of a line that the
// internal form holds as it is.
inline int textEndScalar(const unsigned char* bytes, int i, int limit) noexcept {
    while (i < limit) {
        const unsigned byte = bytes[i];
        if (byte < 0x80) {
            if (byte == 0 || hxuchar::isAsciiLineEnd(byte)) break;
            ++i;
            continue;
        }
        unsigned code = 0;
        const int length = vrb::utf8::wellFormed(bytes + i, limit - i, &code);
        if (length == 0 || hxuchar::isLineEndCharacter(code)) break;
        i += length;
    }
    return i;
}

// The same by blocks of `Width` bytes (at most 32): `masks(block, &stops,
// &high)` sets a bit per byte that is 00 or an ASCII line end, and per byte
// 80-FF. A block of neither is passed at once; the sequences that begin
// before a block's first stop are checked one by one without reloading it.
template <int Width, typename Masks>
inline int textEndByBlocks(const unsigned char* bytes, int limit, Masks masks) noexcept {
    int i = 0;
    while (i + Width <= limit) {
        unsigned stops, high;
        masks(bytes + i, &stops, &high);
        if ((stops | high) == 0) {
            i += Width;
            continue;
        }
        unsigned leads = stops ? high & ((stops & (0u - stops)) - 1) : high;
        int next = i + Width;
        while (leads) {
            const int at = i + __builtin_ctz(leads);
            unsigned code = 0;
            const int length = vrb::utf8::wellFormed(bytes + at, limit - at, &code);
            if (length == 0 || hxuchar::isLineEndCharacter(code)) return at;
            const int passed = at + length - i;
            if (passed >= Width) {
                // The sequence ends in a later block; no stop lies before it.
                next = at + length;
                break;
            }
            leads &= ~0u << passed;
        }
        if (stops && next == i + Width) return i + __builtin_ctz(stops);
        i = next;
    }
    return textEndScalar(bytes, i, limit);
}

}  // namespace vrb::ascii
