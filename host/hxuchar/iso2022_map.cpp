#include "iso2022_map.h"

#include <cstring>

#include "hx/hx_line_ends.h"
#include "utf8.h"

namespace hxuchar {
namespace {

constexpr unsigned char kEscape = 0x1B;
constexpr unsigned char kShiftOut = 0x0E;
constexpr unsigned char kShiftIn = 0x0F;
// The longest escape the scan follows: the join area of the text layer
// holds 15 bytes.
constexpr int kLongestEscape = 15;

// The state word: the marks of G0, G1 and G2 (0 = ASCII) in its low three
// bytes, and flags above them.
constexpr unsigned kShifted = 1u << 24;
constexpr unsigned kPassThrough = 1u << 25;   // after an ESC that starts no escape

inline unsigned markOf(const hx_uchar_state* st, int plane) noexcept { return (st->mode >> (8 * plane)) & 0xFF; }
inline unsigned g0(const hx_uchar_state* st) noexcept { return markOf(st, 0); }
inline unsigned g1(const hx_uchar_state* st) noexcept { return markOf(st, 1); }
inline void setG(hx_uchar_state* st, int plane, unsigned mark) noexcept {
    const int shift = 8 * plane;
    st->mode = (st->mode & ~(0xFFu << shift)) | (mark << shift);
}

inline bool isFinal(unsigned char c) noexcept { return (c >= 'A' && c <= 'Z') || c == '@'; }
inline bool isIntermediate(unsigned char c) noexcept {
    return c == '(' || c == ')' || c == '$' || c == '.' || c == '&';
}
// The reference names ASCII 'B'; the state keeps it as 0, the initial value.
inline unsigned stateMark(unsigned mark) noexcept { return mark == 'B' ? 0 : mark; }

}  // namespace

const Iso2022Set* Iso2022Map::setOfMark(unsigned mark) const noexcept {
    for (int i = 0; i < setCount; ++i) {
        if (sets[i].mark == mark) return &sets[i];
    }
    return nullptr;
}

// An escape at `s`: 0 with the state changed, or -1 (one replacement).
int Iso2022Map::escape(const unsigned char* s, hx_uchar_state* state, int* length) const noexcept {
    int end = 0;
    for (int i = 1; i < kLongestEscape; ++i) {
        if (s[i] == 0) {
            // Cut by the end of the data (or a zero byte): one replacement
            // for the bytes before it.
            *length = i;
            return -1;
        }
        if (isFinal(s[i])) {
            end = i + 1;
            break;
        }
        if ((config & kJisX0208Ext) && s[i] == '&' && s[i + 1] == '@') {
            // The byte after "&@" is passed over unexamined, as the reference
            // does; a skip past the longest escape leaves it unterminated.
            if (i + 2 >= kLongestEscape) break;
            if (s[i + 2] == 0) {
                *length = i + 2;
                return -1;
            }
            i += 2;
        }
    }
    if (end == 0) {
        *length = 1;
        return -1;
    }
    *length = end;
    unsigned mark = 0;
    int plane = 0;
    if (end == 3) {
        if (s[1] == '$') {
            mark = s[2] | kDoubleByteMark;
        } else {
            mark = s[2];
            if (s[1] == ')') plane = 1;
            else if (s[1] == '.' && (config & kUseG2)) plane = 2;
            else if (s[1] != '(') return -1;
        }
    } else if (end == 4) {
        if (s[1] != '$') return -1;
        mark = s[3] | kDoubleByteMark;
        if (s[2] == ')') plane = 1;
        else if (s[2] != '(') return -1;
    } else if (end == 6 && (config & kJisX0208Ext) && s[3] == kEscape && s[4] == '$' && s[5] == 'B') {
        mark = 'B' | kDoubleByteMark;
    } else {
        return -1;
    }
    if (mark != 'B' && !setOfMark(mark)) return -1;
    setG(state, plane, stateMark(mark));
    return 0;
}

int Iso2022Map::scan(const unsigned char* s, hx_uchar_state* state, int* codes, int* length) const noexcept {
    const unsigned char c = s[0];
    *length = 1;
    if (state->mode & kPassThrough) {
        if (isFinal(c)) state->mode &= ~kPassThrough;
        codes[0] = c;
        return 1;
    }
    if (c == kEscape) {
        if (s[1] == 0) return -1;
        if (isIntermediate(s[1])) {
            const int result = escape(s, state, length);
            return result < 0 ? -1 : 0;
        }
        if (s[1] == 'N' && (config & kUseG2)) return singleShift(s, state, codes, length);
        state->mode |= kPassThrough;
        codes[0] = c;
        return 1;
    }
    if ((c == kShiftOut || c == kShiftIn) && !(config & kNoShift)) {
        if (c == kShiftOut) state->mode |= kShifted;
        else state->mode &= ~kShifted;
        return 0;
    }
    if (c == kLineFeed) state->mode &= ~kShifted;
    if (c < 0x20) {
        codes[0] = c;
        return 1;
    }
    if (c >= 0x80) return -1;
    const unsigned mark = (state->mode & kShifted) ? g1(state) : g0(state);
    const Iso2022Set* set = mark == 0 ? nullptr : setOfMark(mark);
    if (!set) {
        codes[0] = c;
        return 1;
    }
    if (set->plane == 2) return -1;   // a G2 set invoked as G0 or G1 has no characters there
    if (set->width == 1) return yield(set->toCode[c - 0x20], codes);
    const unsigned char trail = s[1];
    *length = 2;
    if (trail == 0) {
        *length = 1;
        return -1;
    }
    if (c < 0x21 || c > 0x7E || trail < 0x21 || trail > 0x7E) return -1;
    return yield(set->toCode[(c - 0x21) * 94 + (trail - 0x21)], codes);
}

// ESC N and one byte, from the set in G2 (ASCII until one is designated).
int Iso2022Map::singleShift(const unsigned char* s, const hx_uchar_state* state, int* codes, int* length) const noexcept {
    if (s[2] == 0) {
        *length = 2;
        return -1;
    }
    *length = 3;
    const unsigned mark = markOf(state, 2);
    if (mark == 0) {
        if (s[2] >= 0x80) return -1;
        codes[0] = s[2];
        return 1;
    }
    const Iso2022Set* set = setOfMark(mark);
    if (!set || set->plane != 2) return -1;
    return yield(set->toCode[s[2]], codes);
}

int yieldCell(std::uint32_t value, const Iso2022Characters* pairs, int* codes) noexcept {
    if (value >= kNoCharacterCells) return -1;
    if (value & Iso2022Map::kPairBit) {
        codes[0] = pairs[value & ~Iso2022Map::kPairBit].first;
        codes[1] = pairs[value & ~Iso2022Map::kPairBit].second;
        return 2;
    }
    codes[0] = static_cast<int>(value);
    return 1;
}

int Iso2022Map::yield(std::uint32_t value, int* codes) const noexcept {
    return yieldCell(value, pairs, codes);
}

int Iso2022Map::decodeRun(const unsigned char* s, int count, bool lineEnds, unsigned char* out, int room, int* taken,
                          hx_uchar_state* state) const noexcept {
    int in = 0, written = 0;
    while (in < count) {
        const unsigned mark = (state->mode & kShifted) ? g1(state) : g0(state);
        if (!(state->mode & kPassThrough)) {
            if (mark == 0) {
                // ASCII: every byte 20-7F stands for itself.
                const int limit = in + (count - in < room - written ? count - in : room - written);
                const int start = in;
                while (in < limit && s[in] >= 0x20 && s[in] < 0x80) ++in;
                std::memcpy(out + written, s + start, static_cast<std::size_t>(in - start));
                written += in - start;
            } else if (const Iso2022Set* set = setOfMark(mark); set && set->width == 2 && set->plane != 2) {
                // Pairs that fit whatever they decode to, checked once.
                const int pairs = (count - in) / 2 < (room - written) / 3 ? (count - in) / 2 : (room - written) / 3;
                const unsigned char* p = s + in;
                unsigned char* o = out + written;
                for (int i = 0; i < pairs; ++i, p += 2) {
                    const unsigned lead = p[0] - 0x21u, trail = p[1] - 0x21u;
                    if (lead >= 94u || trail >= 94u) break;
                    const std::uint32_t code = set->toCode[lead * 94 + trail];
                    if (code >= 0x10000) break;   // unmapped, a pair or beyond the BMP: a step
                    if (code >= 0x800) {
                        o[0] = static_cast<unsigned char>(0xE0 | code >> 12);
                        o[1] = static_cast<unsigned char>(0x80 | (code >> 6 & 0x3F));
                        o[2] = static_cast<unsigned char>(0x80 | (code & 0x3F));
                        o += 3;
                    } else {
                        o += writeUtf8(static_cast<int>(code), o);
                    }
                }
                in = static_cast<int>(p - s);
                written = static_cast<int>(o - out);
            }
            if (in >= count) break;
        }
        // Anything else, one step at a time.
        hx_uchar_state next = *state;
        int codes[HX_UCHAR_MAX_CODES];
        int length = 1;
        const int yielded = scan(s + in, &next, codes, &length);
        if (yielded < 0 || length > count - in) break;
        unsigned char encoded[4 * HX_UCHAR_MAX_CODES];
        int size = 0;
        bool stop = false;
        for (int i = 0; i < yielded; ++i) {
            stop = stop || codes[i] == 0 || (lineEnds && isLineEndCharacter(static_cast<std::uint32_t>(codes[i])));
            size += writeUtf8(codes[i], encoded + size);
        }
        if (stop || size > room - written) break;
        std::memcpy(out + written, encoded, static_cast<std::size_t>(size));
        written += size;
        in += length;
        *state = next;
    }
    *taken = in;
    return written;
}

bool Iso2022Map::startsPair(int cp) const noexcept {
    int low = 0, high = pairCount;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (pairCodes[middle].first < cp) low = middle + 1;
        else high = middle;
    }
    return low < pairCount && pairCodes[low].first == cp;
}

std::uint32_t findWide(const Iso2022Wide* wide, int count, std::uint32_t code) noexcept {
    int low = 0, high = count;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (wide[middle].code < code) low = middle + 1;
        else high = middle;
    }
    return low < count && wide[low].code == code ? wide[low].entry : 0;
}

std::uint32_t Iso2022Map::entryOf(int cp) const noexcept {
    if (cp < 0x10000) return pages[pageOfBlock[cp / kBlockSize] * kBlockSize + cp % kBlockSize];
    return findWide(wide, wideCount, static_cast<std::uint32_t>(cp));
}

int Iso2022Map::encode(int cp, int next, hx_uchar_state* state, unsigned char* out, bool* both) const noexcept {
    *both = false;
    if (cp < 0x80) {
        int n = 0;
        if (g0(state) != 0) {
            out[n++] = kEscape;
            out[n++] = '(';
            out[n++] = 'B';
            setG(state, 0, 0);
        }
        if (state->mode & kShifted) {
            out[n++] = kShiftIn;
            state->mode &= ~kShifted;
        }
        out[n++] = static_cast<unsigned char>(cp);
        return n;
    }
    if (next > 0 && pairCount > 0 && startsPair(cp)) {
        for (int i = 0; i < pairCount; ++i) {
            if (pairCodes[i].first == cp && pairCodes[i].second == next) {
                *both = true;
                return writeEntry(pairCodes[i].entry, state, out);
            }
        }
    }
    const std::uint32_t entry = entryOf(cp);
    return entry == 0 ? 0 : writeEntry(entry, state, out);
}

// The escape and shift the entry's set needs from `state`, then its bytes.
int Iso2022Map::writeEntry(std::uint32_t entry, hx_uchar_state* state, unsigned char* out) const noexcept {
    int n = 0;
    const Iso2022Set& set = sets[(entry >> 16) - 1];
    if (set.plane == 0) {
        if (state->mode & kShifted) {
            out[n++] = kShiftIn;
            state->mode &= ~kShifted;
        }
        if (g0(state) != set.mark) {
            out[n++] = kEscape;
            if (set.width == 1) {
                out[n++] = '(';
            } else {
                out[n++] = '$';
                if (set.mark != ('B' | kDoubleByteMark)) out[n++] = '(';
            }
            out[n++] = set.mark & 0x7F;
            setG(state, 0, set.mark);
        }
    } else {
        if (g1(state) != set.mark) {
            out[n++] = kEscape;
            if (set.width == 2) out[n++] = '$';
            out[n++] = ')';
            out[n++] = set.mark & 0x7F;
            setG(state, 1, set.mark);
        }
        if (!(state->mode & kShifted)) {
            out[n++] = kShiftOut;
            state->mode |= kShifted;
        }
    }
    if (set.width == 2) out[n++] = static_cast<unsigned char>(entry >> 8);
    out[n++] = static_cast<unsigned char>(entry & 0xFF);
    return n;
}

int Iso2022Map::reset(hx_uchar_state* state, unsigned char* out) const noexcept {
    int n = 0;
    if (state->mode & kShifted) out[n++] = kShiftIn;
    if (g0(state) != 0) {
        out[n++] = kEscape;
        out[n++] = '(';
        out[n++] = 'B';
    }
    // G1 and G2 lose their designations too, so that what follows
    // designates again and reads from the initial state.
    *state = hx_uchar_state{};
    return n;
}

}  // namespace hxuchar
