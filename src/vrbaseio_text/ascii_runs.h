// Kernels that find runs of ASCII text characters, which every
// ASCII-transparent encoding decodes to the same single bytes. The readers
// and writers use them to move such runs in bulk; the per-character path
// stays the reference they must agree with.
#pragma once

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace vrb::ascii {

// Copies whole 16-byte blocks from bytes + i to out + i while none holds a
// byte that may end a run (00, 80-FF and, with lineEnds, 01-0D); returns
// where it stopped: at such a byte's block position, or where fewer than 16
// bytes remain before `limit`. Blocks are stored whole: the caller's room
// covers `limit`.
inline int copyPlainBlocks(const unsigned char* bytes, int i, int limit, char* out, bool lineEnds) noexcept {
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i threshold = _mm_set1_epi8(lineEnds ? 0x0E : 0x01);
    for (; i + 16 <= limit; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), v);
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, threshold)));
        if (mask) return i + __builtin_ctz(mask);
    }
#else
    (void)bytes, (void)limit, (void)out, (void)lineEnds;
#endif
    return i;
}

#if defined(__SSE2__) || defined(_M_X64)
// Stores 16 bytes as themselves (unit 1) or as 16-bit units (unit 2).
inline void storeUnits(__m128i bytes, char* out, int unit, bool bigEndian) noexcept {
    if (unit == 1) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
        return;
    }
    const __m128i zero = _mm_setzero_si128();
    __m128i low = bigEndian ? _mm_unpacklo_epi8(zero, bytes) : _mm_unpacklo_epi8(bytes, zero);
    __m128i high = bigEndian ? _mm_unpackhi_epi8(zero, bytes) : _mm_unpackhi_epi8(bytes, zero);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), high);
}
#endif

// Copies the leading internal-form bytes in 01-7F (at most `limit`) to
// `out`, as themselves (unit 1) or as 16-bit units (unit 2, little- or
// big-endian); returns how many. `out` has room for `limit` units; whole
// blocks may be stored past the run.
inline int copyPlainText(const unsigned char* text, int limit, char* out, int unit, bool bigEndian) noexcept {
    int i = 0;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i one = _mm_set1_epi8(1);
    for (; i + 16 <= limit; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        storeUnits(v, out + i * unit, unit, bigEndian);
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, one)));
        if (mask) return i + __builtin_ctz(mask);
    }
    if (i < limit && limit >= 16) {
        // The last block ends at `limit` and overlaps bytes already taken,
        // which it stores again unchanged.
        const int j = limit - 16;
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + j));
        storeUnits(v, out + j * unit, unit, bigEndian);
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, one))) >> (i - j);
        return mask ? i + __builtin_ctz(mask) : limit;
    }
#endif
    for (; i < limit && text[i] != 0 && text[i] < 0x80; ++i) {
        if (unit == 1) {
            out[i] = static_cast<char>(text[i]);
        } else {
            out[2 * i + (bigEndian ? 1 : 0)] = static_cast<char>(text[i]);
            out[2 * i + (bigEndian ? 0 : 1)] = 0;
        }
    }
    return i;
}

// Leading bytes of `bytes` (at most `limit`) in 01-7F; with lineEnds also
// not LF, FF or CR.
int textByteRun(const unsigned char* bytes, int limit, bool lineEnds) noexcept;
// The same over 16-bit units (little- or big-endian): units 0001-007F, at
// most `limit` units; the run's low bytes are written to `out`.
int textUnit16Run(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) noexcept;
// The same over 32-bit units.
int textUnit32Run(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) noexcept;
// Leading bytes of internal-form text (at most `limit`) in 01-7F.
int plainAsciiRun(const unsigned char* text, int limit) noexcept;

// Reference versions, one byte or unit at a time.
int textByteRunScalar(const unsigned char* bytes, int limit, bool lineEnds) noexcept;
int textUnit16RunScalar(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) noexcept;
int plainAsciiRunScalar(const unsigned char* text, int limit) noexcept;

}  // namespace vrb::ascii
