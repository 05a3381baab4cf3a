// Well-formed UTF-8 sequences, checked and written inline by the fast
// paths (the character-set layer stays the reference for everything else).
#pragma once

namespace vrb::utf8 {

// Length of the well-formed UTF-8 sequence at p with lead byte p[0] >= 0x80,
// or 0; `available` bytes may be looked at. The code point goes to *code.
inline int wellFormed(const unsigned char* p, int available, unsigned* code) {
    unsigned lead = p[0];
    int length;
    unsigned low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (length > available) return 0;
    if (p[1] < low || p[1] > high) return 0;
    unsigned cp = lead & (0x7F >> length);
    cp = cp << 6 | (p[1] & 0x3F);
    for (int k = 2; k < length; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (p[k] & 0x3F);
    }
    *code = cp;
    return length;
}

// Writes a code point below U+10000, no surrogate, as UTF-8; returns its length.
inline int putBmp(unsigned cp, char* out) {
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | cp >> 6);
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | cp >> 12);
    out[1] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
}

// Writes a code point from U+10000 to U+10FFFF as its four bytes of UTF-8.
inline void putSupplementary(unsigned cp, char* out) {
    out[0] = static_cast<char>(0xF0 | cp >> 18);
    out[1] = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
}

}  // namespace vrb::utf8
