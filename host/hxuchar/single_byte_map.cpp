#include "single_byte_map.h"

#include <bit>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif
#include <cstring>

#include "hx/hx_line_ends.h"
#include "utf8.h"

namespace hxuchar {

namespace {

static_assert(kAsciiLineEndLimit > 0, "the plain-block test below also catches zero bytes");

// Stores a decode-table entry's UTF-8 bytes (all four bytes of the entry:
// the room holds them) and returns how many count.
inline int storeEntry(std::uint32_t entry, unsigned char* out) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &entry, 4);
    } else {
        for (int k = 0; k < 3; ++k) out[k] = static_cast<unsigned char>(entry >> (8 * k));
    }
    return static_cast<int>(entry >> 24 & 7);
}

}  // namespace

int SingleByteMap::decodeRun(const unsigned char* s, int count, bool lineEnds, unsigned char* out, int room,
                             int* taken) const noexcept {
    const std::uint32_t stops = lineEnds ? kRunStop | kRunLineEnd : kRunStop;
    // A local, not the member: stores through `out` may alias any member.
    const std::uint32_t* const table = utf8;
    const bool asciiBlocks = asciiLowerHalf;
    int in = 0;
    int written = 0;
    // Blocks of 16 bytes. A block of plain ASCII (no byte below the ASCII
    // line ends' limit or above 7F, so no line end and no zero) in a set
    // whose lower half is ASCII moves as it is; any other block goes
    // through the table four bytes at a time with one stop test per four,
    // each entry stored whole and the output moved by the character's
    // length, so nothing branches on the characters themselves.
    while (count - in >= 16 && room - written >= 64) {
#if defined(__SSE2__) || defined(_M_X64)
        if (asciiBlocks) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + in));
            if (_mm_movemask_epi8(_mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(kAsciiLineEndLimit)))) == 0) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + written), v);
                in += 16;
                written += 16;
                continue;
            }
        }
#endif
        for (int quad = 0; quad < 4; ++quad) {
            const std::uint32_t e0 = table[s[in]];
            const std::uint32_t e1 = table[s[in + 1]];
            const std::uint32_t e2 = table[s[in + 2]];
            const std::uint32_t e3 = table[s[in + 3]];
            if ((e0 | e1 | e2 | e3) & stops) {
                // The run ends in these four: take what comes before the stop.
                if (!(e0 & stops)) {
                    written += storeEntry(e0, out + written);
                    ++in;
                    if (!(e1 & stops)) {
                        written += storeEntry(e1, out + written);
                        ++in;
                        if (!(e2 & stops)) {
                            written += storeEntry(e2, out + written);
                            ++in;
                        }
                    }
                }
                *taken = in;
                return written;
            }
            written += storeEntry(e0, out + written);
            written += storeEntry(e1, out + written);
            written += storeEntry(e2, out + written);
            written += storeEntry(e3, out + written);
            in += 4;
        }
    }
    for (; in < count; ++in) {
        const std::uint32_t entry = table[s[in]];
        const int length = static_cast<int>(entry >> 24 & 7);
        if ((entry & stops) || room - written < length) break;
        for (int k = 0; k < length; ++k) out[written + k] = static_cast<unsigned char>(entry >> (8 * k));
        written += length;
    }
    *taken = in;
    return written;
}

int SingleByteMap::encodeRun(const unsigned char* text, int length, unsigned char* out, int room,
                             int* taken) const noexcept {
    int in = 0;
    int written = 0;
    while (in < length && written < room) {
        int sequence = 1;
        const int cp = scanUtf8Within(text + in, length - in, &sequence);
        if (cp <= 0) break;
        const int byte = encode(cp);
        out[written++] = byte < 0 ? substitute : static_cast<unsigned char>(byte);
        in += sequence;
    }
    *taken = in;
    return written;
}

}  // namespace hxuchar
