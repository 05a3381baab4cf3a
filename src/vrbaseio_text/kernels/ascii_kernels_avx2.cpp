// The AVX2 kernels: 32 bytes at a time, the tails by the scalar ones. This
// file alone is compiled for AVX2; bestKernels() picks it only where the
// processor has it.
#include "vrbaseio_text/kernels/ascii_kernels.h"

#ifdef VRB_ASCII_X86_KERNELS

#include <immintrin.h>

#include <cstring>

#include "vrbaseio_text/kernels/plain_ascii.h"
#include "vrbaseio_text/kernels/text_end.h"

namespace vrb::ascii {
namespace {

constexpr auto either = [](__m256i a, __m256i b) { return _mm256_or_si256(a, b); };

// Lanes of `v` (bytes, 16- or 32-bit units) that hold an ASCII line end.
inline __m256i lineEnds8(__m256i v) {
    return anyAsciiLineEnd(
        [&](unsigned char c) { return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(static_cast<char>(c))); }, either);
}
inline __m256i lineEnds16(__m256i v) {
    return anyAsciiLineEnd([&](unsigned char c) { return _mm256_cmpeq_epi16(v, _mm256_set1_epi16(c)); }, either);
}
inline __m256i lineEnds32(__m256i v) {
    return anyAsciiLineEnd([&](unsigned char c) { return _mm256_cmpeq_epi32(v, _mm256_set1_epi32(c)); }, either);
}

inline __m256i byteStops(__m256i v, bool lineEnds) {
    __m256i stop = _mm256_cmpgt_epi8(_mm256_set1_epi8(1), v);
    if (lineEnds) stop = _mm256_or_si256(stop, lineEnds8(v));
    return stop;
}

int copyPlainBytes(const unsigned char* bytes, int i, int limit, char* out, bool lineEnds) {
    const int start = i;
    for (; i + 32 <= limit; i += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), v);
        const unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(byteStops(v, lineEnds)));
        if (mask) return i + __builtin_ctz(mask);
    }
    if (i < limit && limit - 32 >= start) {
        // The last block ends at `limit` and overlaps plain bytes already
        // taken, which it stores again unchanged.
        const int j = limit - 32;
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + j));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), v);
        const unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(byteStops(v, lineEnds))) >> (i - j);
        return mask ? i + __builtin_ctz(mask) : limit;
    }
    return kSse2Kernels.copyPlainBytes(bytes, i, limit, out, lineEnds);
}

int findTextEnd(const unsigned char* bytes, int limit) {
    return textEndByBlocks<32>(bytes, limit, [](const unsigned char* block, unsigned* stops, unsigned* high) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
        *stops = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_setzero_si256()), lineEnds8(v))));
        *high = static_cast<unsigned>(_mm256_movemask_epi8(v));
    });
}

int copyPlainUnits16(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) {
    int i = 0;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i top = _mm256_set1_epi16(0x80);
    for (; i + 16 <= limit; i += 16) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 2 * i));
        if (bigEndian) v = _mm256_or_si256(_mm256_slli_epi16(v, 8), _mm256_srli_epi16(v, 8));
        __m256i good = _mm256_and_si256(_mm256_cmpgt_epi16(v, zero), _mm256_cmpgt_epi16(top, v));
        if (lineEnds) good = _mm256_andnot_si256(lineEnds16(v), good);
        const unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(good));
        // Packing works within each 128-bit lane; the permute brings the two
        // lanes' eight bytes together.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(v, v), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm256_castsi256_si128(packed));
        if (mask != 0xFFFFFFFFu) return i + __builtin_ctz(~mask) / 2;
    }
    return i + copyPlainUnits16Scalar(bytes + 2 * i, limit - i, bigEndian, lineEnds, out + i);
}

int copyPlainUnits32(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) {
    int i = 0;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i top = _mm256_set1_epi32(0x80);
    const __m256i reverse = _mm256_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12,
                                             3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12);
    const __m256i lowBytes = _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                              0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    for (; i + 8 <= limit; i += 8) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 4 * i));
        if (bigEndian) v = _mm256_shuffle_epi8(v, reverse);
        __m256i good = _mm256_and_si256(_mm256_cmpgt_epi32(v, zero), _mm256_cmpgt_epi32(top, v));
        if (lineEnds) good = _mm256_andnot_si256(lineEnds32(v), good);
        const unsigned mask = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(good)));
        const __m256i gathered = _mm256_shuffle_epi8(v, lowBytes);
        const int low = _mm256_extract_epi32(gathered, 0);
        const int high = _mm256_extract_epi32(gathered, 4);
        std::memcpy(out + i, &low, 4);
        std::memcpy(out + i + 4, &high, 4);
        if (mask != 0xFF) return i + __builtin_ctz(~mask & 0xFF);
    }
    return i + copyPlainUnits32Scalar(bytes + 4 * i, limit - i, bigEndian, lineEnds, out + i);
}

// 32 bytes of text stored as themselves; the stops among them.
inline unsigned storeBytes32(const unsigned char* text, char* out) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), v);
    return static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpgt_epi8(_mm256_set1_epi8(1), v)));
}

// 16 bytes of text stored as 16-bit units; the stops among them.
inline unsigned storeUnits16(const unsigned char* text, char* out, bool bigEndian) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    __m256i units = _mm256_cvtepu8_epi16(v);
    if (bigEndian) units = _mm256_slli_epi16(units, 8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), units);
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, _mm_set1_epi8(1))));
}

int storePlainText(const unsigned char* text, int limit, char* out, int unit, bool bigEndian) {
    const int block = unit == 1 ? 32 : 16;
    if (limit < block) return kSse2Kernels.storePlainText(text, limit, out, unit, bigEndian);
    int i = 0;
    for (; i + block <= limit; i += block) {
        const unsigned mask = unit == 1 ? storeBytes32(text + i, out + i) : storeUnits16(text + i, out + 2 * i, bigEndian);
        if (mask) return i + __builtin_ctz(mask);
    }
    if (i == limit) return limit;
    // The last block ends at `limit` and overlaps text already taken, which
    // it stores again unchanged.
    const int j = limit - block;
    const unsigned mask = (unit == 1 ? storeBytes32(text + j, out + j) : storeUnits16(text + j, out + 2 * j, bigEndian)) >>
                          (i - j);
    return mask ? i + __builtin_ctz(mask) : limit;
}

}  // namespace

const Kernels kAvx2Kernels = {"avx2", copyPlainBytes, findTextEnd, copyPlainUnits16, copyPlainUnits32, storePlainText};

}  // namespace vrb::ascii

#endif
