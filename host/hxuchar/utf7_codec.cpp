#include "utf7_codec.h"

namespace hxuchar {
namespace {

constexpr int kReplacement = 0xFFFD;

// The state: mode holds the shift flag, a pending high surrogate and the
// count of bits in `bits`, the base64 bits not yet part of a unit.
constexpr unsigned kInShift = 1;
constexpr unsigned kHasSurrogate = 2;
constexpr int kCountShift = 2;        // bits 2-6: bits pending
constexpr int kSurrogateShift = 16;   // bits 16-25: the high surrogate's low ten bits

inline int base64Value(unsigned char c) noexcept {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}
inline unsigned char base64Digit(unsigned value) noexcept {
    constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    return static_cast<unsigned char>(kDigits[value & 0x3F]);
}
inline int pendingBits(const hx_uchar_state& st) noexcept { return static_cast<int>((st.mode >> kCountShift) & 0x1F); }
inline void setPendingBits(hx_uchar_state* st, int count) noexcept {
    st->mode = (st->mode & ~(0x1Fu << kCountShift)) | (static_cast<unsigned>(count) << kCountShift);
}
inline bool readsDirectly(unsigned char c) noexcept { return c < 0x80 && c != '+'; }

// Outside a run.
int scanDirect(const unsigned char* s, hx_uchar_state* state, int* codes, int* length) noexcept {
    const unsigned char c = s[0];
    *length = 1;
    if (c == '+') {
        const unsigned char next = s[1];
        if (next == '-') {
            *length = 2;
            codes[0] = '+';
            return 1;
        }
        // A zero is the end of the data: the run starts empty. The step
        // claims the next byte, so that a later chunk decides.
        if (next != 0 && base64Value(next) < 0) {
            *length = 2;
            return -1;
        }
        if (next == 0) *length = 2;
        *state = hx_uchar_state{kInShift, 0};
        return 0;
    }
    if (!readsDirectly(c)) return -1;
    codes[0] = c;
    return 1;
}

}  // namespace

bool owesReplacementUtf7(const hx_uchar_state& state) noexcept {
    if (!(state.mode & kInShift)) return false;
    const int count = pendingBits(state);
    return (state.mode & kHasSurrogate) || count >= 6 || (count > 0 && state.bits != 0);
}

int scanUtf7(const unsigned char* s, hx_uchar_state* state, int* codes, int* length) noexcept {
    if (!(state->mode & kInShift)) return scanDirect(s, state, codes, length);
    const unsigned char c = s[0];
    *length = 1;
    const int value = base64Value(c);
    if (value >= 0) {
        int count = pendingBits(*state) + 6;
        std::uint32_t buffer = state->bits << 6 | static_cast<std::uint32_t>(value);
        if (count < 16) {
            state->bits = buffer;
            setPendingBits(state, count);
            return 0;
        }
        const unsigned unit = buffer >> (count - 16);
        count -= 16;
        state->bits = buffer & ((1u << count) - 1);
        setPendingBits(state, count);
        int yielded = 0;
        if (state->mode & kHasSurrogate) {
            const unsigned high = 0xD800 | ((state->mode >> kSurrogateShift) & 0x3FF);
            state->mode &= ~(kHasSurrogate | (0x3FFu << kSurrogateShift));
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                codes[0] = static_cast<int>(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
                return 1;
            }
            codes[yielded++] = kReplacement;   // the lone high surrogate
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            state->mode |= kHasSurrogate | ((unit & 0x3FF) << kSurrogateShift);
            return yielded;
        }
        codes[yielded++] = unit >= 0xDC00 && unit <= 0xDFFF ? kReplacement : static_cast<int>(unit);
        return yielded;
    }
    // The run ends here.
    const int count = pendingBits(*state);
    const bool hadSurrogate = (state->mode & kHasSurrogate) != 0;
    const std::uint32_t leftover = state->bits;
    *state = hx_uchar_state{};
    if (count >= 6 || (count > 0 && leftover != 0)) return -1;   // takes the ending character
    int yielded = 0;
    if (hadSurrogate && readsDirectly(c)) codes[yielded++] = kReplacement;
    if (c == '-') return yielded;
    int direct[HX_UCHAR_MAX_CODES] = {};
    const int more = scanDirect(s, state, direct, length);
    if (more < 0) {
        if (yielded == 0) return -1;
        codes[yielded++] = kReplacement;
        return yielded;
    }
    for (int i = 0; i < more; ++i) codes[yielded++] = direct[i];
    return yielded;
}

int encodeUtf7(int cp, hx_uchar_state* state, unsigned char* out) noexcept {
    int n = 0;
    const bool direct = cp > 0 && cp < 0x80 && kUtf7Direct[cp] != 0;
    if (state->mode & kInShift) {
        if (direct) {
            const int count = pendingBits(*state);
            if (count > 0) out[n++] = base64Digit(state->bits << (6 - count));
            *state = hx_uchar_state{};
            if (base64Value(static_cast<unsigned char>(cp)) >= 0 || cp == '-') out[n++] = '-';
            out[n++] = static_cast<unsigned char>(cp);
            return n;
        }
    } else {
        if (cp == '+') {
            out[n++] = '+';
            out[n++] = '-';
            return n;
        }
        if (direct) {
            out[n++] = static_cast<unsigned char>(cp);
            return n;
        }
        out[n++] = '+';
        *state = hx_uchar_state{kInShift, 0};
    }
    unsigned units[2];
    int unitCount = 0;
    if (cp >= 0x10000) {
        units[unitCount++] = 0xD800 + ((static_cast<unsigned>(cp) - 0x10000) >> 10);
        units[unitCount++] = 0xDC00 + ((static_cast<unsigned>(cp) - 0x10000) & 0x3FF);
    } else {
        units[unitCount++] = static_cast<unsigned>(cp);
    }
    int count = pendingBits(*state);
    std::uint32_t buffer = state->bits;
    for (int i = 0; i < unitCount; ++i) {
        buffer = buffer << 16 | units[i];
        count += 16;
        while (count >= 6) {
            out[n++] = base64Digit(buffer >> (count - 6));
            count -= 6;
        }
        buffer &= (1u << count) - 1;
    }
    state->bits = buffer;
    setPendingBits(state, count);
    return n;
}

int resetUtf7(hx_uchar_state* state, unsigned char* out) noexcept {
    int n = 0;
    const int count = pendingBits(*state);
    if (count > 0) out[n++] = base64Digit(state->bits << (6 - count));
    if (state->mode & kInShift) out[n++] = '-';
    *state = hx_uchar_state{};
    return n;
}

}  // namespace hxuchar
