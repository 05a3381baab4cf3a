// The internal form: scanning by maximal subparts and writing.
#pragma once

#include <array>
#include <cstdint>

#include "hx/hx_line_ends.h"

namespace hxuchar {

inline constexpr int kReplacementCharacter = 0xFFFD;

constexpr bool isScalarValue(int cp) {
    return cp >= 0 && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

namespace detail {

// What a lead byte promises: how many continuation bytes follow and the
// range the first of them must lie in, which is what excludes overlong
// forms, surrogates and values beyond U+10FFFF.
struct Utf8Lead {
    std::uint8_t trailing;
    std::uint8_t secondLow;
    std::uint8_t secondHigh;
};

constexpr std::array<Utf8Lead, 256> makeUtf8Leads() {
    std::array<Utf8Lead, 256> leads{};
    for (int b = 0xC2; b <= 0xDF; ++b) leads[b] = {1, 0x80, 0xBF};
    for (int b = 0xE1; b <= 0xEF; ++b) leads[b] = {2, 0x80, 0xBF};
    leads[0xE0] = {2, 0xA0, 0xBF};
    leads[0xED] = {2, 0x80, 0x9F};
    leads[0xF0] = {3, 0x90, 0xBF};
    for (int b = 0xF1; b <= 0xF3; ++b) leads[b] = {3, 0x80, 0xBF};
    leads[0xF4] = {3, 0x80, 0x8F};
    return leads;
}

inline constexpr std::array<Utf8Lead, 256> kUtf8Leads = makeUtf8Leads();

}  // namespace detail

// Code point at `s`, or -1 with the length of the maximal subpart. A zero
// byte is never a continuation byte, so the scan stops at a terminator.
inline int scanUtf8(const unsigned char* s, int* length) noexcept {
    unsigned lead = s[0];
    if (lead < 0x80) {
        *length = 1;
        return static_cast<int>(lead);
    }
    const detail::Utf8Lead info = detail::kUtf8Leads[lead];
    if (info.trailing == 0 || s[1] < info.secondLow || s[1] > info.secondHigh) {
        *length = 1;
        return -1;
    }
    int cp = static_cast<int>(((lead & (0x3Fu >> info.trailing)) << 6) | (s[1] & 0x3Fu));
    for (int i = 2; i <= info.trailing; ++i) {
        if ((s[i] & 0xC0u) != 0x80u) {
            *length = i;
            return -1;
        }
        cp = (cp << 6) | static_cast<int>(s[i] & 0x3Fu);
    }
    *length = info.trailing + 1;
    return cp;
}

// The well-formed sequence at `s` within `available` bytes: its code point
// with its length in *length, or -1 when it is invalid or cut short.
inline int scanUtf8Within(const unsigned char* s, int available, int* length) noexcept {
    unsigned lead = s[0];
    if (lead < 0x80) {
        *length = 1;
        return static_cast<int>(lead);
    }
    const detail::Utf8Lead info = detail::kUtf8Leads[lead];
    if (info.trailing == 0 || info.trailing >= available) return -1;
    if (s[1] < info.secondLow || s[1] > info.secondHigh) return -1;
    int cp = static_cast<int>(((lead & (0x3Fu >> info.trailing)) << 6) | (s[1] & 0x3Fu));
    for (int i = 2; i <= info.trailing; ++i) {
        if ((s[i] & 0xC0u) != 0x80u) return -1;
        cp = (cp << 6) | static_cast<int>(s[i] & 0x3Fu);
    }
    *length = info.trailing + 1;
    return cp;
}

// Whether a decoded character ends a bulk run: U+0000 always, and the line
// ends when the caller reads lines.
inline bool endsRun(unsigned cp, bool lineEnds) noexcept {
    return cp == 0 || (lineEnds && isLineEndCharacter(cp));
}

// Writes scalar value `cp`; returns its length (1 to 4).
inline int writeUtf8(int cp, unsigned char* out) noexcept {
    auto c = static_cast<std::uint32_t>(cp);
    if (c < 0x80) {
        out[0] = static_cast<unsigned char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
    out[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 4;
}

}  // namespace hxuchar
