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

// UTF-8 checked 32 bytes at a time without a branch per character: each
// byte's error bits come from three tables indexed by its high nibble and by
// both nibbles of the byte before it (what a pair of bytes can get wrong),
// and the bit that marks a continuation after a continuation must be set
// exactly where a 3- or 4-byte lead two or three bytes back asks for one.
namespace utf8check {

constexpr char kShort = 1;          // a lead without its continuations
constexpr char kLong = 2;           // a continuation after ASCII
constexpr char kOverlong3 = 4;      // E0 80-9F
constexpr char kLarge = 8;          // F4 90-BF, F5-FF
constexpr char kSurrogate = 16;     // ED A0-BF
constexpr char kOverlong2 = 32;     // C0, C1
constexpr char kLarge1000 = 64;     // F5-FF 80-8F
constexpr char kOverlong4 = 64;     // F0 80-8F
constexpr char kTwoContinuations = static_cast<char>(0x80);
constexpr char kCarry = kShort | kLong | kTwoContinuations;

inline __m256i table(char v0, char v1, char v2, char v3, char v4, char v5, char v6, char v7, char v8, char v9,
                     char v10, char v11, char v12, char v13, char v14, char v15) {
    return _mm256_setr_epi8(v0, v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12, v13, v14, v15, v0, v1, v2, v3, v4,
                            v5, v6, v7, v8, v9, v10, v11, v12, v13, v14, v15);
}

inline __m256i errors(__m256i input, __m256i prev1, __m256i prev2, __m256i prev3) {
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i firstHigh = table(kLong, kLong, kLong, kLong, kLong, kLong, kLong, kLong, kTwoContinuations,
                                    kTwoContinuations, kTwoContinuations, kTwoContinuations, kShort | kOverlong2,
                                    kShort, kShort | kOverlong3 | kSurrogate,
                                    kShort | kLarge | kLarge1000 | kOverlong4);
    const __m256i firstLow = table(kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2, kCarry, kCarry,
                                   kCarry | kLarge, kCarry | kLarge | kLarge1000, kCarry | kLarge | kLarge1000,
                                   kCarry | kLarge | kLarge1000, kCarry | kLarge | kLarge1000,
                                   kCarry | kLarge | kLarge1000, kCarry | kLarge | kLarge1000,
                                   kCarry | kLarge | kLarge1000, kCarry | kLarge | kLarge1000,
                                   kCarry | kLarge | kLarge1000 | kSurrogate, kCarry | kLarge | kLarge1000,
                                   kCarry | kLarge | kLarge1000);
    const __m256i secondHigh =
        table(kShort, kShort, kShort, kShort, kShort, kShort, kShort, kShort,
              kLong | kOverlong2 | kTwoContinuations | kOverlong3 | kLarge1000 | kOverlong4,
              kLong | kOverlong2 | kTwoContinuations | kOverlong3 | kLarge,
              kLong | kOverlong2 | kTwoContinuations | kSurrogate | kLarge,
              kLong | kOverlong2 | kTwoContinuations | kSurrogate | kLarge, kShort, kShort, kShort, kShort);
    const __m256i pairs = _mm256_and_si256(
        _mm256_and_si256(_mm256_shuffle_epi8(firstHigh, _mm256_and_si256(_mm256_srli_epi16(prev1, 4), nibble)),
                         _mm256_shuffle_epi8(firstLow, _mm256_and_si256(prev1, nibble))),
        _mm256_shuffle_epi8(secondHigh, _mm256_and_si256(_mm256_srli_epi16(input, 4), nibble)));
    // Bytes two after an E0-FF lead, or three after an F0-FF one.
    const __m256i wanted = _mm256_and_si256(_mm256_or_si256(_mm256_subs_epu8(prev2, _mm256_set1_epi8(0xE0 - 0x80)),
                                                            _mm256_subs_epu8(prev3, _mm256_set1_epi8(0xF0 - 0x80))),
                                            _mm256_set1_epi8(kTwoContinuations));
    return _mm256_xor_si256(pairs, wanted);
}

}  // namespace utf8check

// The block at bytes[at, at + 32); the bytes before `at` are the file's,
// or none (as if ASCII) at the start.
struct TextBlock {
    unsigned stops, wide, errors;
};

inline TextBlock textBlock(const unsigned char* bytes, int at) {
    const __m256i input = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + at));
    __m256i prev1, prev2, prev3;
    if (at >= 3) {
        prev1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + at - 1));
        prev2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + at - 2));
        prev3 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + at - 3));
    } else {
        const __m256i carried = _mm256_permute2x128_si256(_mm256_setzero_si256(), input, 0x21);
        prev1 = _mm256_alignr_epi8(input, carried, 15);
        prev2 = _mm256_alignr_epi8(input, carried, 14);
        prev3 = _mm256_alignr_epi8(input, carried, 13);
    }
    const auto equal = [](__m256i v, int c) { return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(static_cast<char>(c))); };
    // NEL (C2 85), LS and PS (E2 80 A8, E2 80 A9), marked at their last byte.
    const __m256i wide = _mm256_or_si256(
        _mm256_and_si256(equal(prev1, 0xC2), equal(input, 0x85)),
        _mm256_and_si256(_mm256_and_si256(equal(prev2, 0xE2), equal(prev1, 0x80)),
                         equal(_mm256_and_si256(input, _mm256_set1_epi8(static_cast<char>(0xFE))), 0xA8)));
    const __m256i bad = utf8check::errors(input, prev1, prev2, prev3);
    return {static_cast<unsigned>(_mm256_movemask_epi8(_mm256_or_si256(equal(input, 0), lineEnds8(input)))),
            static_cast<unsigned>(_mm256_movemask_epi8(wide)),
            ~static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bad, _mm256_setzero_si256())))};
}

// Blocks in which every byte is well placed are passed at once; the first
// block with anything else ends the search there when that is an ASCII
// stop before any fault, and otherwise hands over to the scalar search,
// from the start of the character the block's first byte belongs to. The
// last block ends at the limit and looks again at bytes already passed,
// which raise nothing.
int findTextEnd(const unsigned char* bytes, int limit) {
    if (limit < 32) return kSse2Kernels.findTextEnd(bytes, limit);
    int i = 0;
    while (i < limit) {
        const int at = i + 32 <= limit ? i : limit - 32;
        const TextBlock block = textBlock(bytes, at);
        const unsigned any = block.stops | block.wide | block.errors;
        if (any == 0) {
            i = at + 32;
            continue;
        }
        const unsigned first = any & (0u - any);
        if ((block.stops & first) && !((block.wide | block.errors) & first)) return at + __builtin_ctz(first);
        i = at;
        break;
    }
    // The character that may straddle i starts at most three bytes back.
    int from = i;
    while (from > 0 && i - from < 3 && (bytes[from - 1] & 0xC0) == 0x80) --from;
    if (from > 0 && bytes[from - 1] >= 0xC0) --from;
    return textEndScalar(bytes, from, limit);
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
