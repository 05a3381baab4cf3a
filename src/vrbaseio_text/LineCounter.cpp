#include "vrbaseio_text/LineCounter.h"

#include <algorithm>
#include <array>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "vrbaseio_text/line_ends.h"

namespace vrb::text {

void LineCounter::character(int code) noexcept {
    if (code == kCarriageReturn) {
        carriageReturn();
    } else if (isLineEndCharacter(code)) {
        lineEnd();
    } else {
        text();
    }
}

namespace {

// The bytes that may be or start a line end in the internal form: LF, FF
// and CR, C2 (NEL is C2 85) and E2 (LS and PS are E2 80 A8 and E2 80 A9).
constexpr auto kMayEndLine = [] {
    std::array<bool, 256> table{};
    for (unsigned byte : {0x0Au, 0x0Cu, 0x0Du, 0xC2u, 0xE2u}) table[byte] = true;
    return table;
}();

// The set bits of a 16-bit mask, inline: without a processor flag for it
// the compiler's popcount is a library call per block.
constexpr int bitsIn16(unsigned mask) noexcept {
    mask -= (mask >> 1) & 0x5555u;
    mask = (mask & 0x3333u) + ((mask >> 2) & 0x3333u);
    mask = (mask + (mask >> 4)) & 0x0F0Fu;
    return static_cast<int>((mask + (mask >> 8)) & 0x1Fu);
}
static_assert(bitsIn16(0xFFFFu) == 16 && bitsIn16(0x8001u) == 2 && bitsIn16(0) == 0);

}  // namespace

// Blocks of 16 bytes are counted by their masks: a line end counts unless
// the byte before it is a CR (afterCR carries that over from the previous
// block). NEL, LS and PS (C2 85, E2 80 A8/A9) count by their first byte
// where the block's next two bytes lie in the text; the tail is counted
// byte by byte.
void LineCounter::countText(const char* text, int length) noexcept {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
#if defined(__SSE2__)
    for (int i = 0; i < length;) {
        i += countBlocks(bytes + i, length - i);
        i = countBytes(bytes, i, std::min(i + 16, length), length);
    }
#else
    countBytes(bytes, 0, length, length);
#endif
}

// Characters starting in bytes[i, end) (they may end before `length`);
// returns the index after the last.
int LineCounter::countBytes(const unsigned char* bytes, int i, int end, int length) noexcept {
    while (i < end) {
        const int start = i;
        while (i < end && !kMayEndLine[bytes[i]]) ++i;
        if (i > start) afterCR = false;
        if (i == end) break;
        const unsigned byte = bytes[i++];
        if (byte == kCarriageReturn) {
            carriageReturn();
        } else if (byte == kLineFeed || byte == 0x0C) {
            lineEnd();
        } else if (byte == 0xC2 && i < length && bytes[i] == 0x85) {
            lineEnd();
            ++i;
        } else if (byte == 0xE2 && i + 1 < length && bytes[i] == 0x80 && (bytes[i + 1] & 0xFE) == 0xA8) {
            lineEnd();
            i += 2;
        } else {
            afterCR = false;
        }
    }
    return i;
}

#if defined(__SSE2__)
int LineCounter::countBlocks(const unsigned char* bytes, int length) noexcept {
    const __m128i lineFeed = _mm_set1_epi8(0x0A), formFeed = _mm_set1_epi8(0x0C);
    const __m128i carriageReturn = _mm_set1_epi8(0x0D);
    const __m128i nelLead = _mm_set1_epi8(static_cast<char>(0xC2));
    const __m128i separatorLead = _mm_set1_epi8(static_cast<char>(0xE2));
    int i = 0;
    for (; i + 16 <= length; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i leads = _mm_or_si128(_mm_cmpeq_epi8(v, nelLead), _mm_cmpeq_epi8(v, separatorLead));
        const __m128i controls = _mm_cmpeq_epi8(_mm_min_epu8(v, carriageReturn), v);   // 00-0D
        const unsigned interesting = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(leads, controls)));
        if (interesting == 0) {
            afterCR = false;
            continue;
        }
        unsigned wides = 0;
        if (_mm_movemask_epi8(leads) != 0) {
            // NEL, LS and PS counted at their first byte, from the bytes
            // one and two further on; their other bytes, in this block or
            // the next, are never counted.
            if (i + 18 > length) break;
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i + 1));
            const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i + 2));
            const __m128i nel = _mm_and_si128(_mm_cmpeq_epi8(v, nelLead), _mm_cmpeq_epi8(next, _mm_set1_epi8(static_cast<char>(0x85))));
            const __m128i separator = _mm_and_si128(
                _mm_and_si128(_mm_cmpeq_epi8(v, separatorLead), _mm_cmpeq_epi8(next, _mm_set1_epi8(static_cast<char>(0x80)))),
                _mm_cmpeq_epi8(_mm_or_si128(after, _mm_set1_epi8(1)), _mm_set1_epi8(static_cast<char>(0xA9))));
            wides = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(nel, separator)));
        }
        const auto crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, carriageReturn)));
        const auto feeds = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lineFeed), _mm_cmpeq_epi8(v, formFeed))));
        const unsigned afterCRs = crs << 1 | (afterCR ? 1u : 0u);
        ends += bitsIn16((crs | feeds | wides) & ~afterCRs & 0xFFFFu);
        afterCR = (crs >> 15) != 0;
    }
    return i;
}
#endif

}  // namespace vrb::text
