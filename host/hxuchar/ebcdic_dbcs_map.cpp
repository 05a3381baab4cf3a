#include "ebcdic_dbcs_map.h"

#include "hx/hx_line_ends.h"
#include "utf8.h"

namespace hxuchar {
namespace {

constexpr unsigned kDoubleByte = 1;

}  // namespace

int EbcdicDbcsMap::yield(char16_t entry, int* codes) const noexcept {
    if (entry == kUnmapped) return -1;
    if (entry >= kPairBase && entry < kPairBase + 0x800) {
        const EbcdicCharacters& p = pairs[entry - kPairBase];
        codes[0] = static_cast<int>(p.first);
        codes[1] = static_cast<int>(p.second);
        return p.second != 0 ? 2 : 1;
    }
    codes[0] = entry;
    return 1;
}

int EbcdicDbcsMap::scan(const unsigned char* s, hx_uchar_state* state, int* codes, int* length) const noexcept {
    const unsigned char c = s[0];
    *length = 1;
    if (c == kShiftOut || c == kShiftIn) {
        state->mode = c == kShiftOut ? kDoubleByte : 0;
        return 0;
    }
    if (!(state->mode & kDoubleByte)) {
        if (single[c] == kUnmapped) return -1;
        codes[0] = single[c];
        return 1;
    }
    const unsigned char t = s[1];
    if (t >= trailLow[c] && t <= trailHigh[c]) {
        *length = 2;
        return yield(pairEntry(c, t), codes);
    }
    // The padding after the data is no start: the lead then waits for more.
    if (t == kShiftOut || t == kShiftIn || hasTrails(t)) return -1;
    *length = 2;
    return -1;
}

int EbcdicDbcsMap::decodeRun(const unsigned char* s, int count, bool lineEnds, unsigned char* out, int room,
                             int* taken, hx_uchar_state* state) const noexcept {
    int in = 0, written = 0;
    while (in < count) {
        const unsigned char c = s[in];
        if (c == kShiftOut || c == kShiftIn) {
            state->mode = c == kShiftOut ? kDoubleByte : 0;
            ++in;
            continue;
        }
        if (!(state->mode & kDoubleByte)) {
            const char16_t cp = single[c];
            if (cp == kUnmapped || endsRun(cp, lineEnds) || room - written < 3) break;
            written += writeUtf8(cp, out + written);
            ++in;
            continue;
        }
        // Pairs up to the next shift or anything the caller decides; a
        // pair's character is never U+0000, nor a line end above PS.
        if (count - in < 2) break;
        const unsigned char t = s[in + 1];
        if (t < trailLow[c] || t > trailHigh[c]) break;
        const char16_t entry = pairEntry(c, t);
        if (entry == kUnmapped || room - written < 6) break;
        if (lineEnds && entry <= 0x2029 && isLineEndCharacter(entry)) break;
        if (entry >= kPairBase && entry < kPairBase + 0x800) {
            const EbcdicCharacters& p = pairs[entry - kPairBase];
            if (room - written < 8) break;
            written += writeUtf8(static_cast<int>(p.first), out + written);
            if (p.second != 0) written += writeUtf8(static_cast<int>(p.second), out + written);
        } else if (entry >= 0x800) {
            out[written] = static_cast<unsigned char>(0xE0 | entry >> 12);
            out[written + 1] = static_cast<unsigned char>(0x80 | (entry >> 6 & 0x3F));
            out[written + 2] = static_cast<unsigned char>(0x80 | (entry & 0x3F));
            written += 3;
        } else {
            written += writeUtf8(entry, out + written);
        }
        in += 2;
    }
    *taken = in;
    return written;
}

int EbcdicDbcsMap::encode(int cp, int next, hx_uchar_state* state, unsigned char* out, bool* both) const noexcept {
    *both = false;
    std::uint16_t entry = 0;
    if (next > 0 && pairCount > 0) {
        int low = 0, high = pairCount;
        while (low < high) {
            const int mid = (low + high) / 2;
            const EbcdicPairCode& p = pairCodes[mid];
            if (p.first < cp || (p.first == cp && p.second < next)) {
                low = mid + 1;
            } else {
                high = mid;
            }
        }
        if (low < pairCount && pairCodes[low].first == cp && pairCodes[low].second == next) {
            entry = pairCodes[low].code;
            *both = true;
        }
    }
    if (entry == 0) entry = entryOf(cp);
    if (entry == 0 || entry == kDropped) return 0;
    int n = 0;
    if (entry < kSingleBase + 0x100) {
        n = reset(state, out);
        out[n++] = static_cast<unsigned char>(entry - kSingleBase);
        return n;
    }
    if (!(state->mode & kDoubleByte)) {
        out[n++] = kShiftOut;
        state->mode = kDoubleByte;
    }
    out[n++] = static_cast<unsigned char>(entry >> 8);
    out[n++] = static_cast<unsigned char>(entry & 0xFF);
    return n;
}

std::uint16_t EbcdicDbcsMap::wideEntry(int cp) const noexcept {
    int low = 0, high = wideCount;
    while (low < high) {
        const int mid = (low + high) / 2;
        if (wide[mid].cp < static_cast<char32_t>(cp)) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    if (low < wideCount && wide[low].cp == static_cast<char32_t>(cp)) return wide[low].code;
    return drops(cp) ? kDropped : 0;
}

bool EbcdicDbcsMap::drops(int cp) const noexcept {
    if (static_cast<unsigned>(cp) < 0x10000u) return entryOf(cp) == kDropped;
    for (int i = 0; i < droppedRangeCount; ++i) {
        if (static_cast<char32_t>(cp) >= droppedBeyondBmp[i].first && static_cast<char32_t>(cp) <= droppedBeyondBmp[i].last) {
            return true;
        }
    }
    return false;
}

int EbcdicDbcsMap::encodeRun(const unsigned char* text, int length, unsigned char* out, int room, int* taken,
                             hx_uchar_state* state) const noexcept {
    int in = 0, written = 0;
    const std::uint16_t substitute = entryOf('?');
    while (in < length) {
        int consumed = 1;
        const int cp = text[in] < 0x80 ? text[in] : scanUtf8Within(text + in, length - in, &consumed);
        if (cp <= 0) break;
        std::uint16_t entry = entryOf(cp);
        if (pairCount > 0 && in + consumed < length && cp >= pairCodes[0].first && cp <= pairCodes[pairCount - 1].first) {
            // A character that may begin a pair goes through encode with the next one.
            int nextConsumed = 1;
            const int next = scanUtf8Within(text + in + consumed, length - in - consumed, &nextConsumed);
            bool both = false;
            hx_uchar_state after = *state;
            unsigned char bytes[8];
            const int size = next > 0 ? encode(cp, next, &after, bytes, &both) : 0;
            if (both) {
                if (size > room - written) break;
                for (int i = 0; i < size; ++i) out[written + i] = bytes[i];
                written += size;
                in += consumed + nextConsumed;
                *state = after;
                continue;
            }
        }
        if (entry == kDropped) {
            in += consumed;
            continue;
        }
        if (entry == 0) entry = substitute;
        const bool doubleByte = (state->mode & kDoubleByte) != 0;
        if (entry < kSingleBase + 0x100) {
            if (room - written < (doubleByte ? 2 : 1)) break;
            if (doubleByte) out[written++] = kShiftIn;
            out[written++] = static_cast<unsigned char>(entry - kSingleBase);
            state->mode = 0;
        } else {
            if (room - written < (doubleByte ? 2 : 3)) break;
            if (!doubleByte) out[written++] = kShiftOut;
            out[written] = static_cast<unsigned char>(entry >> 8);
            out[written + 1] = static_cast<unsigned char>(entry & 0xFF);
            written += 2;
            state->mode = kDoubleByte;
        }
        in += consumed;
    }
    *taken = in;
    return written;
}

int EbcdicDbcsMap::reset(hx_uchar_state* state, unsigned char* out) noexcept {
    if (!(state->mode & kDoubleByte)) return 0;
    state->mode = 0;
    out[0] = kShiftIn;
    return 1;
}

}  // namespace hxuchar
