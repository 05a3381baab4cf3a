#include "multi_byte_map.h"

#include <cstring>

#include "utf8.h"

namespace hxuchar {

namespace {

// GB18030's four-byte sequences are numbered from 81 30 81 30; the BMP
// block ends before 84 31 A5 30, and 90 30 81 30 is U+10000.
constexpr std::uint32_t kFourByteBmpEnd = 39420;
constexpr std::uint32_t kFourByteSupplementary = 189000;

// The run of `ranges` that holds `key`, or null.
const SequenceRange* findRange(const SequenceRange* ranges, int count, std::uint32_t key) noexcept {
    int low = 0;
    int high = count;
    while (low < high) {
        int middle = (low + high) / 2;
        if (ranges[middle].key <= key) low = middle + 1;
        else high = middle;
    }
    if (low == 0) return nullptr;
    const SequenceRange* range = &ranges[low - 1];
    return key - range->key < range->count ? range : nullptr;
}

bool inRange(unsigned byte, unsigned low, unsigned high) noexcept {
    return byte >= low && byte <= high;
}

}  // namespace

int malformedLength(const unsigned char* s, int at) noexcept {
    if (s[at] != 0) return 1;
    for (int i = 1; i < at; ++i) {
        if (s[i] < 0x80) return 1;
    }
    return at;
}

int MultiByteMap::scan(const unsigned char* s, int* length) const noexcept {
    *length = 1;
    const unsigned lead = s[0];
    const char16_t code = single[lead];
    if (code != kLeadByte) return code == kUnmappedByte ? -1 : code;

    const unsigned second = s[1];
    if (fourByteRanges && inRange(second, 0x30, 0x39)) {
        if (!inRange(s[2], 0x81, 0xFE)) {
            *length = malformedLength(s, 2);
            return -1;
        }
        if (!inRange(s[3], 0x30, 0x39)) {
            *length = malformedLength(s, 3);
            return -1;
        }
        const std::uint32_t number = (((lead - 0x81) * 10 + (second - 0x30)) * 126 + (s[2] - 0x81)) * 10 + (s[3] - 0x30);
        if (number < kFourByteBmpEnd) {
            const SequenceRange* range = findRange(fourByteRanges, fourByteRangeCount, number);
            if (!range) return -1;
            *length = 4;
            return static_cast<int>(range->value + (number - range->key));
        }
        if (number >= kFourByteSupplementary && number - kFourByteSupplementary <= 0xFFFFF) {
            *length = 4;
            return static_cast<int>(0x10000 + (number - kFourByteSupplementary));
        }
        return -1;
    }

    if (!inRange(second, trailLow, trailHigh)) {
        *length = malformedLength(s, 1);
        return -1;
    }
    const int span = trailHigh - trailLow + 1;
    if (prefix != 0 && lead == prefix) {
        const unsigned third = s[2];
        if (!inRange(third, trailLow, trailHigh)) {
            *length = malformedLength(s, 2);
            return -1;
        }
        const int row = planeRowOf[second];
        if (row == 0) return -1;
        const char16_t planeCode = planeRows[(row - 1) * span + static_cast<int>(third - trailLow)];
        if (planeCode == kUnmappedByte) return -1;
        *length = 3;
        return planeCode;
    }
    const int row = rowOfLead[lead];
    if (row == 0) return -1;
    const char16_t pairCode = rows[(row - 1) * span + static_cast<int>(second - trailLow)];
    if (pairCode == kUnmappedByte) return -1;
    *length = 2;
    return pairCode;
}

int MultiByteMap::encode(int cp, unsigned char* out) const noexcept {
    if (cp < 0 || cp > 0x10FFFF) return 0;
    std::uint32_t number;
    if (cp < 0x10000) {
        const unsigned value = pages[pageOfBlock[cp / kBlockSize] * kBlockSize + cp % kBlockSize];
        if (value >= 0x8000) {
            out[0] = static_cast<unsigned char>(value >> 8);
            out[1] = static_cast<unsigned char>(value & 0xFF);
            return 2;
        }
        if (value >= 0x100) {
            out[0] = prefix;
            out[1] = static_cast<unsigned char>((value >> 8) | 0x80);
            out[2] = static_cast<unsigned char>(value & 0xFF);
            return 3;
        }
        if (value != 0 || cp == 0) {
            out[0] = static_cast<unsigned char>(value);
            return 1;
        }
        const SequenceRange* range = fourByteByCode ? findRange(fourByteByCode, fourByteByCodeCount, static_cast<std::uint32_t>(cp)) : nullptr;
        if (!range) return 0;
        number = range->value + (static_cast<std::uint32_t>(cp) - range->key);
    } else {
        if (!fourByteRanges) return 0;
        number = kFourByteSupplementary + static_cast<std::uint32_t>(cp - 0x10000);
    }
    out[3] = static_cast<unsigned char>(0x30 + number % 10);
    number /= 10;
    out[2] = static_cast<unsigned char>(0x81 + number % 126);
    number /= 126;
    out[1] = static_cast<unsigned char>(0x30 + number % 10);
    out[0] = static_cast<unsigned char>(0x81 + number / 10);
    return 4;
}

}  // namespace hxuchar

namespace hxuchar {

int MultiByteMap::decodeRun(const unsigned char* s, int count, bool lineEnds, unsigned char* out, int room,
                            int* taken) const noexcept {
    int in = 0;
    int written = 0;
    while (in < count) {
        const unsigned code = single[s[in]];
        if (code < 0x80) {
            if (endsRun(code, lineEnds) || written == room) break;
            out[written++] = static_cast<unsigned char>(code);
            ++in;
            continue;
        }
        int length = 1;
        int cp = static_cast<int>(code);
        if (code == kLeadByte) {
            // Most characters are a pair from the lead byte's row; the rest
            // (three and four bytes, bad pairs) go through the full scan.
            const unsigned row = rowOfLead[s[in]];
            const unsigned offset = static_cast<unsigned>(s[in + 1]) - trailLow;
            const unsigned pair = row != 0 && offset <= static_cast<unsigned>(trailHigh - trailLow)
                                      ? rows[(row - 1) * (trailHigh - trailLow + 1u) + offset]
                                      : kUnmappedByte;
            if (pair != kUnmappedByte && count - in >= 2) {
                cp = static_cast<int>(pair);
                length = 2;
            } else {
                cp = scan(s + in, &length);
                // A character that may continue past `count` is the caller's.
                if (cp <= 0 || length > count - in) break;
            }
        } else if (code == kUnmappedByte) {
            break;
        }
        if (endsRun(static_cast<unsigned>(cp), lineEnds)) break;
        if (room - written < 4) {
            unsigned char bytes[4];
            const int size = writeUtf8(cp, bytes);
            if (size > room - written) break;
            std::memcpy(out + written, bytes, static_cast<std::size_t>(size));
            written += size;
            in += length;
            continue;
        }
        written += writeUtf8(cp, out + written);
        in += length;
    }
    *taken = in;
    return written;
}

int MultiByteMap::encodeRun(const unsigned char* text, int length, unsigned char* out, int room,
                            int* taken) const noexcept {
    int in = 0;
    int written = 0;
    while (in < length && room - written >= 4) {
        const unsigned lead = text[in];
        if (lead < 0x80 && lead != 0 && single[lead] == lead) {
            out[written++] = static_cast<unsigned char>(lead);
            ++in;
            continue;
        }
        int sequence = 1;
        const int cp = scanUtf8Within(text + in, length - in, &sequence);
        if (cp <= 0) break;
        int bytes = encode(cp, out + written);
        if (bytes == 0) {
            out[written] = '?';
            bytes = 1;
        }
        written += bytes;
        in += sequence;
    }
    *taken = in;
    return written;
}

}  // namespace hxuchar
