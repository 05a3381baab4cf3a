#include "vrbaseio_text/ascii_runs.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VRB_HAVE_SSE2 1
#endif

namespace vrb::ascii {
namespace {

inline bool isText(unsigned value, bool lineEnds) noexcept {
    if (value == 0 || value >= 0x80) return false;
    return !(lineEnds && (value == 0x0A || value == 0x0C || value == 0x0D));
}

inline int firstSetBit(unsigned mask) noexcept { return __builtin_ctz(mask); }

}  // namespace

int textByteRunScalar(const unsigned char* bytes, int limit, bool lineEnds) noexcept {
    int i = 0;
    while (i < limit && isText(bytes[i], lineEnds)) ++i;
    return i;
}

int textUnit16RunScalar(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) noexcept {
    int i = 0;
    for (; i < limit; ++i) {
        const unsigned char* unit = bytes + 2 * i;
        unsigned value = bigEndian ? (unit[0] << 8 | unit[1]) : (unit[1] << 8 | unit[0]);
        if (!isText(value, lineEnds)) break;
        out[i] = static_cast<char>(value);
    }
    return i;
}

int plainAsciiRunScalar(const unsigned char* text, int limit) noexcept {
    int i = 0;
    while (i < limit && text[i] != 0 && text[i] < 0x80) ++i;
    return i;
}

#ifdef VRB_HAVE_SSE2

int textByteRun(const unsigned char* bytes, int limit, bool lineEnds) noexcept {
    int i = 0;
    const __m128i one = _mm_set1_epi8(1);
    const __m128i lf = _mm_set1_epi8(0x0A), ff = _mm_set1_epi8(0x0C), cr = _mm_set1_epi8(0x0D);
    for (; i + 16 <= limit; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        // Signed: bytes 80-FF are negative, so "< 1" catches them and 00.
        __m128i stop = _mm_cmplt_epi8(v, one);
        if (lineEnds) {
            stop = _mm_or_si128(stop, _mm_or_si128(_mm_cmpeq_epi8(v, lf),
                                                    _mm_or_si128(_mm_cmpeq_epi8(v, ff), _mm_cmpeq_epi8(v, cr))));
        }
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(stop));
        if (mask) return i + firstSetBit(mask);
    }
    return i + textByteRunScalar(bytes + i, limit - i, lineEnds);
}

int textUnit16Run(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) noexcept {
    int i = 0;
    const __m128i zero = _mm_setzero_si128();
    const __m128i top = _mm_set1_epi16(0x80);
    const __m128i lf = _mm_set1_epi16(0x0A), ff = _mm_set1_epi16(0x0C), cr = _mm_set1_epi16(0x0D);
    for (; i + 8 <= limit; i += 8) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 2 * i));
        if (bigEndian) v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
        // Signed 16-bit: units 8000-FFFF are negative and fail "> 0".
        __m128i good = _mm_and_si128(_mm_cmpgt_epi16(v, zero), _mm_cmplt_epi16(v, top));
        if (lineEnds) {
            __m128i end = _mm_or_si128(_mm_cmpeq_epi16(v, lf), _mm_or_si128(_mm_cmpeq_epi16(v, ff), _mm_cmpeq_epi16(v, cr)));
            good = _mm_andnot_si128(end, good);
        }
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(good));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(v, v));
        if (mask != 0xFFFF) return i + firstSetBit(~mask & 0xFFFF) / 2;
    }
    return i + textUnit16RunScalar(bytes + 2 * i, limit - i, bigEndian, lineEnds, out + i);
}

int plainAsciiRun(const unsigned char* text, int limit) noexcept {
    int i = 0;
    const __m128i one = _mm_set1_epi8(1);
    for (; i + 16 <= limit; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, one)));
        if (mask) return i + firstSetBit(mask);
    }
    return i + plainAsciiRunScalar(text + i, limit - i);
}

#else

int textByteRun(const unsigned char* bytes, int limit, bool lineEnds) noexcept {
    return textByteRunScalar(bytes, limit, lineEnds);
}
int textUnit16Run(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) noexcept {
    return textUnit16RunScalar(bytes, limit, bigEndian, lineEnds, out);
}
int plainAsciiRun(const unsigned char* text, int limit) noexcept { return plainAsciiRunScalar(text, limit); }

#endif

int textUnit32Run(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) noexcept {
    int i = 0;
    for (; i < limit; ++i) {
        const unsigned char* unit = bytes + 4 * i;
        unsigned long value = bigEndian
            ? (unsigned long)unit[0] << 24 | (unsigned long)unit[1] << 16 | (unsigned long)unit[2] << 8 | unit[3]
            : (unsigned long)unit[3] << 24 | (unsigned long)unit[2] << 16 | (unsigned long)unit[1] << 8 | unit[0];
        if (value >= 0x80 || !isText(static_cast<unsigned>(value), lineEnds)) break;
        out[i] = static_cast<char>(value);
    }
    return i;
}

}  // namespace vrb::ascii
