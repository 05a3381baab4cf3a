// The SSE2 kernels: 16 bytes at a time, the tails by the scalar ones.
#include "vrbaseio_text/kernels/ascii_kernels.h"

#ifdef VRB_ASCII_X86_KERNELS

#include <emmintrin.h>

#include <cstring>

#include "vrbaseio_text/kernels/plain_ascii.h"
#include "vrbaseio_text/kernels/text_end.h"
#include "vrbaseio_text/kernels/utf16_character.h"

namespace vrb::ascii {
namespace {

constexpr auto either = [](__m128i a, __m128i b) { return _mm_or_si128(a, b); };

// Lanes of `v` (bytes, 16- or 32-bit units) that hold an ASCII line end.
inline __m128i lineEnds8(__m128i v) {
    return anyAsciiLineEnd([&](unsigned char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(c))); },
                           either);
}
inline __m128i lineEnds16(__m128i v) {
    return anyAsciiLineEnd([&](unsigned char c) { return _mm_cmpeq_epi16(v, _mm_set1_epi16(c)); }, either);
}
inline __m128i wideLineEnds16(__m128i v) {
    return anyWideLineEnd([&](char32_t c) { return _mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(c))); }, either);
}
inline __m128i lineEnds32(__m128i v) {
    return anyAsciiLineEnd([&](unsigned char c) { return _mm_cmpeq_epi32(v, _mm_set1_epi32(c)); }, either);
}

// Lanes of `v` (bytes) that end a run: 00, 80-FF (negative as signed
// bytes) and, with lineEnds, the ASCII line ends.
inline __m128i byteStops(__m128i v, bool lineEnds) {
    __m128i stop = _mm_cmplt_epi8(v, _mm_set1_epi8(1));
    if (lineEnds) stop = _mm_or_si128(stop, lineEnds8(v));
    return stop;
}

int copyPlainBytes(const unsigned char* bytes, int i, int limit, char* out, bool lineEnds) {
    const int start = i;
    for (; i + 16 <= limit; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), v);
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(byteStops(v, lineEnds)));
        if (mask) return i + __builtin_ctz(mask);
    }
    if (i < limit && limit - 16 >= start) {
        // The last block ends at `limit` and overlaps plain bytes already
        // taken, which it stores again unchanged.
        const int j = limit - 16;
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + j));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), v);
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(byteStops(v, lineEnds))) >> (i - j);
        return mask ? i + __builtin_ctz(mask) : limit;
    }
    return copyPlainBytesScalar(bytes, i, limit, out, lineEnds);
}

int findTextEnd(const unsigned char* bytes, int limit) {
    return textEndByBlocks<16>(bytes, limit, [](const unsigned char* block, unsigned* stops, unsigned* high) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
        *stops = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_setzero_si128()), lineEnds8(v))));
        *high = static_cast<unsigned>(_mm_movemask_epi8(v));
    });
}

int copyPlainUnits16(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) {
    int i = 0;
    const __m128i zero = _mm_setzero_si128();
    const __m128i top = _mm_set1_epi16(0x80);
    for (; i + 8 <= limit; i += 8) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 2 * i));
        if (bigEndian) v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
        // Signed 16-bit: units 8000-FFFF are negative and fail "> 0".
        __m128i good = _mm_and_si128(_mm_cmpgt_epi16(v, zero), _mm_cmplt_epi16(v, top));
        if (lineEnds) good = _mm_andnot_si128(lineEnds16(v), good);
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(good));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(v, v));
        if (mask != 0xFFFF) return i + __builtin_ctz(~mask & 0xFFFF) / 2;
    }
    return i + copyPlainUnits16Scalar(bytes + 2 * i, limit - i, bigEndian, lineEnds, out + i);
}

int copyPlainUnits32(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) {
    int i = 0;
    const __m128i zero = _mm_setzero_si128();
    const __m128i top = _mm_set1_epi32(0x80);
    const __m128i lowByte = _mm_set1_epi32(0xFF);
    for (; i + 4 <= limit; i += 4) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 4 * i));
        if (bigEndian) {
            v = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(v, 24), _mm_srli_epi32(v, 24)),
                             _mm_or_si128(_mm_and_si128(_mm_slli_epi32(v, 8), _mm_set1_epi32(0x00FF0000)),
                                          _mm_and_si128(_mm_srli_epi32(v, 8), _mm_set1_epi32(0x0000FF00))));
        }
        __m128i good = _mm_and_si128(_mm_cmpgt_epi32(v, zero), _mm_cmplt_epi32(v, top));
        if (lineEnds) good = _mm_andnot_si128(lineEnds32(v), good);
        const unsigned mask = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(good)));
        const __m128i narrow = _mm_and_si128(v, lowByte);
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(narrow, narrow), zero);
        const int four = _mm_cvtsi128_si32(packed);
        std::memcpy(out + i, &four, 4);
        if (mask != 0xF) return i + __builtin_ctz(~mask & 0xF);
    }
    return i + copyPlainUnits32Scalar(bytes + 4 * i, limit - i, bigEndian, lineEnds, out + i);
}

// 16 bytes as themselves (unit 1) or as 16-bit units (unit 2).
inline void storeUnits(__m128i bytes, char* out, int unit, bool bigEndian) {
    if (unit == 1) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
        return;
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = bigEndian ? _mm_unpacklo_epi8(zero, bytes) : _mm_unpacklo_epi8(bytes, zero);
    const __m128i high = bigEndian ? _mm_unpackhi_epi8(zero, bytes) : _mm_unpackhi_epi8(bytes, zero);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), high);
}

int storePlainText(const unsigned char* text, int limit, char* out, int unit, bool bigEndian) {
    int i = 0;
    const __m128i one = _mm_set1_epi8(1);
    for (; i + 16 <= limit; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        storeUnits(v, out + i * unit, unit, bigEndian);
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, one)));
        if (mask) return i + __builtin_ctz(mask);
    }
    if (i < limit && limit >= 16) {
        // The last block ends at `limit` and overlaps text already taken,
        // which it stores again unchanged.
        const int j = limit - 16;
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + j));
        storeUnits(v, out + j * unit, unit, bigEndian);
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, one))) >> (i - j);
        return mask ? i + __builtin_ctz(mask) : limit;
    }
    return i + storePlainTextScalar(text + i, limit - i, out + i * unit, unit, bigEndian);
}

// Eight units: the run of ASCII, of two-byte or of three-byte characters
// the block starts with, each kind stored for the whole block and the
// run's share kept (kernels/utf16_character.h).
template <bool LineEnds>
int convertBlock16(const unsigned char* units, char* out, int* bytes, bool* ended, bool bigEndian) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
    if (bigEndian) v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
    // Signed 16-bit compares: units 8000-FFFF are negative.
    const __m128i zero = _mm_setzero_si128();
    const __m128i asciiEnds = LineEnds ? lineEnds16(v) : zero;
    const __m128i belowTwo = _mm_cmplt_epi16(v, _mm_set1_epi16(0x80));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(asciiEnds, _mm_and_si128(_mm_cmpgt_epi16(v, zero), belowTwo))));
    if (mask & 1) _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(v, v));
    // The common block, all ASCII text, needs nothing more.
    if (mask == 0xFFFF) {
        *bytes = 8;
        return 8;
    }
    __m128i hard = _mm_cmpeq_epi16(v, zero);
    if (LineEnds) hard = _mm_or_si128(hard, _mm_or_si128(asciiEnds, wideLineEnds16(v)));
    const unsigned hardMask = static_cast<unsigned>(_mm_movemask_epi8(hard));
    // The run ends the whole conversion when a stop of `hard` follows it.
    auto finish = [&](int run, int size) {
        *bytes = size * run;
        *ended = run < 8 && (hardMask >> (2 * run) & 1);
        return run;
    };
    if (mask & 1) return finish(leadingUnits(mask, 8), 1);
    if (hardMask & 1) return finish(0, 0);
    const __m128i six = _mm_set1_epi16(0x3F);
    const __m128i low6 = _mm_or_si128(_mm_and_si128(v, six), _mm_set1_epi16(0x80));
    const __m128i two = _mm_andnot_si128(_mm_or_si128(hard, belowTwo),
                                         _mm_and_si128(_mm_cmpgt_epi16(v, zero), _mm_cmplt_epi16(v, _mm_set1_epi16(0x800))));
    mask = static_cast<unsigned>(_mm_movemask_epi8(two));
    if (mask & 1) {
        // Lead byte first: the lane's low byte.
        const __m128i lead = _mm_or_si128(_mm_srli_epi16(v, 6), _mm_set1_epi16(0xC0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(lead, _mm_slli_epi16(low6, 8)));
        return finish(leadingUnits(mask, 8), 2);
    }
    const __m128i surrogate = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xF800))),
                                              _mm_set1_epi16(static_cast<short>(0xD800)));
    const __m128i wide = _mm_or_si128(_mm_cmpgt_epi16(v, _mm_set1_epi16(0x7FF)), _mm_cmplt_epi16(v, zero));
    mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(_mm_or_si128(hard, surrogate), wide)));
    if (!(mask & 1)) return 0;
    // Each unit as a 32-bit lane of its three bytes, stored three apart.
    const __m128i firstTwo = _mm_or_si128(_mm_or_si128(_mm_srli_epi16(v, 12), _mm_set1_epi16(0xE0)),
                                          _mm_slli_epi16(_mm_or_si128(_mm_and_si128(_mm_srli_epi16(v, 6), six),
                                                                      _mm_set1_epi16(0x80)), 8));
    alignas(16) unsigned lanes[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), _mm_unpacklo_epi16(firstTwo, low6));
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 4), _mm_unpackhi_epi16(firstTwo, low6));
    for (int k = 0; k < 8; ++k) std::memcpy(out + 3 * k, &lanes[k], 4);
    return finish(leadingUnits(mask, 8), 3);
}

int convertUnits16(const unsigned char* units, int limit, bool bigEndian, bool lineEnds, char* out, int room,
                   int* stored) {
    return convertUnits16ByBlocks<8, 28>(
        units, limit, bigEndian, lineEnds, out, room, stored,
        [&](auto lineEndsConstant, const unsigned char* block, char* to, int* bytes, bool* ended) {
            return convertBlock16<decltype(lineEndsConstant)::value>(block, to, bytes, ended, bigEndian);
        });
}

}  // namespace

const Kernels kSse2Kernels = {"sse2",          copyPlainBytes, findTextEnd,   copyPlainUnits16,
                              copyPlainUnits32, storePlainText, convertUnits16};

}  // namespace vrb::ascii

#endif
