// The AVX2 kernels: 32 bytes at a time, the tails by the scalar ones. This
// file alone is compiled for AVX2; bestKernels() picks it only where the
// processor has it.
#include "vrbaseio_text/kernels/ascii_kernels.h"

#ifdef VRB_ASCII_X86_KERNELS

#include <immintrin.h>

#include <array>
#include <cstring>

#include "vrbaseio_text/kernels/plain_ascii.h"
#include "vrbaseio_text/kernels/text_end.h"
#include "vrbaseio_text/kernels/utf16_character.h"

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
inline __m256i wideLineEnds16(__m256i v) {
    return anyWideLineEnd([&](char32_t c) { return _mm256_cmpeq_epi16(v, _mm256_set1_epi16(static_cast<short>(c))); },
                          either);
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

// A block of BMP characters of every length at once: each unit made into
// a 32-bit lane of its one to three bytes, and the lanes of four units
// closed up by a shuffle that the four lengths choose. The shuffles are
// worked out here at compile time, indexed by two bits a unit (bit 0: two
// bytes or more, bit 1: three).
struct Compaction {
    alignas(16) signed char shuffle[16];
    int length;
};

constexpr std::array<Compaction, 256> kCompactions = [] {
    std::array<Compaction, 256> table{};
    for (int key = 0; key < 256; ++key) {
        int at = 0;
        for (int unit = 0; unit < 4; ++unit) {
            const int kind = key >> (2 * unit) & 3;
            const int length = kind == 0 ? 1 : kind == 1 ? 2 : 3;
            for (int byte = 0; byte < length; ++byte) table[key].shuffle[at++] = static_cast<signed char>(4 * unit + byte);
        }
        table[key].length = at;
        for (int rest = at; rest < 16; ++rest) table[key].shuffle[rest] = -1;
    }
    return table;
}();

// Sixteen units, none U+0000, a surrogate or a stop; stores at most 52
// bytes and returns how many make the characters.
inline int mixedBlock16(__m256i v, char* out) {
    const __m256i six = _mm256_set1_epi16(0x3F);
    // Signed compares: units 8000-FFFF are negative.
    const __m256i negative = _mm256_cmpgt_epi16(_mm256_setzero_si256(), v);
    const __m256i twoOrMore = _mm256_or_si256(_mm256_cmpgt_epi16(v, _mm256_set1_epi16(0x7F)), negative);
    const __m256i three = _mm256_or_si256(_mm256_cmpgt_epi16(v, _mm256_set1_epi16(0x7FF)), negative);
    const __m256i last = _mm256_or_si256(_mm256_and_si256(v, six), _mm256_set1_epi16(0x80));
    const __m256i middle = _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi16(v, 6), six), _mm256_set1_epi16(0x80));
    const __m256i lead2 = _mm256_or_si256(_mm256_srli_epi16(v, 6), _mm256_set1_epi16(0xC0));
    const __m256i lead3 = _mm256_or_si256(_mm256_srli_epi16(v, 12), _mm256_set1_epi16(0xE0));
    const __m256i first = _mm256_blendv_epi8(_mm256_blendv_epi8(v, lead2, twoOrMore), lead3, three);
    const __m256i second = _mm256_blendv_epi8(last, middle, three);
    const __m256i pairs = _mm256_or_si256(first, _mm256_slli_epi16(second, 8));
    const unsigned keys = (static_cast<unsigned>(_mm256_movemask_epi8(twoOrMore)) & 0x55555555u) |
                          (static_cast<unsigned>(_mm256_movemask_epi8(three)) & 0xAAAAAAAAu);
    const Compaction& c0 = kCompactions[keys & 0xFF];
    const Compaction& c1 = kCompactions[keys >> 8 & 0xFF];
    const Compaction& c2 = kCompactions[keys >> 16 & 0xFF];
    const Compaction& c3 = kCompactions[keys >> 24];
    auto shuffles = [](const Compaction& low, const Compaction& high) {
        return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(low.shuffle))),
                                       _mm_load_si128(reinterpret_cast<const __m128i*>(high.shuffle)), 1);
    };
    // Within each 128-bit lane: units 0-3 and 8-11, then 4-7 and 12-15.
    const __m256i a = _mm256_shuffle_epi8(_mm256_unpacklo_epi16(pairs, last), shuffles(c0, c2));
    const __m256i b = _mm256_shuffle_epi8(_mm256_unpackhi_epi16(pairs, last), shuffles(c1, c3));
    int at = 0;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(a));
    at += c0.length;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm256_castsi256_si128(b));
    at += c1.length;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm256_extracti128_si256(a, 1));
    at += c2.length;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm256_extracti128_si256(b, 1));
    return at + c3.length;
}

// Sixteen units: the run of ASCII, of two-byte or of three-byte characters
// the block starts with, each kind stored for the whole block and the
// run's share kept (kernels/utf16_character.h).
template <bool LineEnds>
int convertBlock16(const unsigned char* units, char* out, int* bytes, bool* ended, bool bigEndian) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(units));
    if (bigEndian) v = _mm256_or_si256(_mm256_slli_epi16(v, 8), _mm256_srli_epi16(v, 8));
    // Signed 16-bit compares: units 8000-FFFF are negative.
    const __m256i zero = _mm256_setzero_si256();
    const __m256i asciiEnds = LineEnds ? lineEnds16(v) : zero;
    const __m256i positive = _mm256_cmpgt_epi16(v, zero);
    const __m256i belowTwo = _mm256_cmpgt_epi16(_mm256_set1_epi16(0x80), v);
    unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_andnot_si256(asciiEnds, _mm256_and_si256(positive, belowTwo))));
    if (mask & 1) {
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(v, v), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(packed));
    }
    // The common block, all ASCII text, needs nothing more.
    if (mask == 0xFFFFFFFFu) {
        *bytes = 16;
        return 16;
    }
    __m256i hard = _mm256_cmpeq_epi16(v, zero);
    if (LineEnds) hard = _mm256_or_si256(hard, _mm256_or_si256(asciiEnds, wideLineEnds16(v)));
    const __m256i surrogate = _mm256_cmpeq_epi16(_mm256_and_si256(v, _mm256_set1_epi16(static_cast<short>(0xF800))),
                                                 _mm256_set1_epi16(static_cast<short>(0xD800)));
    if (_mm256_testz_si256(_mm256_or_si256(hard, surrogate), _mm256_or_si256(hard, surrogate))) {
        *bytes = mixedBlock16(v, out);
        return 16;
    }
    const unsigned hardMask = static_cast<unsigned>(_mm256_movemask_epi8(hard));
    // The run ends the whole conversion when a stop of `hard` follows it.
    auto finish = [&](int run, int size) {
        *bytes = size * run;
        *ended = run < 16 && (hardMask >> (2 * run) & 1);
        return run;
    };
    if (mask & 1) return finish(leadingUnits(mask, 16), 1);
    if (hardMask & 1) return finish(0, 0);
    const __m256i six = _mm256_set1_epi16(0x3F);
    const __m256i low6 = _mm256_or_si256(_mm256_and_si256(v, six), _mm256_set1_epi16(0x80));
    const __m256i two = _mm256_andnot_si256(_mm256_or_si256(hard, belowTwo),
                                            _mm256_and_si256(positive, _mm256_cmpgt_epi16(_mm256_set1_epi16(0x800), v)));
    mask = static_cast<unsigned>(_mm256_movemask_epi8(two));
    if (mask & 1) {
        // Lead byte first: the lane's low byte.
        const __m256i lead = _mm256_or_si256(_mm256_srli_epi16(v, 6), _mm256_set1_epi16(0xC0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_or_si256(lead, _mm256_slli_epi16(low6, 8)));
        return finish(leadingUnits(mask, 16), 2);
    }
    const __m256i wide = _mm256_or_si256(_mm256_cmpgt_epi16(v, _mm256_set1_epi16(0x7FF)), _mm256_cmpgt_epi16(zero, v));
    mask = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_andnot_si256(_mm256_or_si256(hard, surrogate), wide)));
    if (!(mask & 1)) return 0;
    // Each unit as a 32-bit lane of its three bytes; the fourth bytes
    // dropped, twelve bytes a quarter of the block.
    const __m256i firstTwo = _mm256_or_si256(
        _mm256_or_si256(_mm256_srli_epi16(v, 12), _mm256_set1_epi16(0xE0)),
        _mm256_slli_epi16(_mm256_or_si256(_mm256_and_si256(_mm256_srli_epi16(v, 6), six), _mm256_set1_epi16(0x80)), 8));
    const __m256i threeOfFour = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5,
                                                 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    // Within each 128-bit lane: units 0-3 and 8-11, then 4-7 and 12-15.
    const __m256i first = _mm256_shuffle_epi8(_mm256_unpacklo_epi16(firstTwo, low6), threeOfFour);
    const __m256i second = _mm256_shuffle_epi8(_mm256_unpackhi_epi16(firstTwo, low6), threeOfFour);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(first));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 12), _mm256_castsi256_si128(second));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 24), _mm256_extracti128_si256(first, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 36), _mm256_extracti128_si256(second, 1));
    return finish(leadingUnits(mask, 16), 3);
}

int convertUnits16(const unsigned char* units, int limit, bool bigEndian, bool lineEnds, char* out, int room,
                   int* stored) {
    return convertUnits16ByBlocks<16, 52>(
        units, limit, bigEndian, lineEnds, out, room, stored,
        [&](auto lineEndsConstant, const unsigned char* block, char* to, int* bytes, bool* ended) {
            return convertBlock16<decltype(lineEndsConstant)::value>(block, to, bytes, ended, bigEndian);
        });
}

}  // namespace

const Kernels kAvx2Kernels = {"avx2",          copyPlainBytes, findTextEnd,   copyPlainUnits16,
                              copyPlainUnits32, storePlainText, convertUnits16};

}  // namespace vrb::ascii

#endif
