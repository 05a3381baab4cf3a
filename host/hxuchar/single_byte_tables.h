// The single-byte character sets. A new set is one more map here and one
// row in the catalogue.
#pragma once

#include "single_byte_map.h"

namespace hxuchar {

namespace detail {

// Bytes 80-9F as Latin-1 has them (the C1 controls), A0-FF given as
// `fromA0` says; the common shape of the ISO-8859 sets.
constexpr std::array<char16_t, 128> upperHalfWithC1(const std::array<char16_t, 96>& fromA0) {
    std::array<char16_t, 128> half{};
    for (int i = 0; i < 32; ++i) half[i] = static_cast<char16_t>(0x80 + i);
    for (int i = 0; i < 96; ++i) half[32 + i] = fromA0[i];
    return half;
}

constexpr std::array<char16_t, 96> latin1FromA0() {
    std::array<char16_t, 96> codes{};
    for (int i = 0; i < 96; ++i) codes[i] = static_cast<char16_t>(0xA0 + i);
    return codes;
}

constexpr std::array<char16_t, 128> unmappedUpperHalf() {
    std::array<char16_t, 128> half{};
    half.fill(kUnmappedByte);
    return half;
}

constexpr std::array<char16_t, 128> windows1252UpperHalf() {
    std::array<char16_t, 128> half = upperHalfWithC1(latin1FromA0());
    // 81 8D 8F 90 9D keep their C1 control code points.
    constexpr std::array<char16_t, 32> from80 = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    for (int i = 0; i < 32; ++i) half[i] = from80[i];
    return half;
}

}  // namespace detail

inline constexpr SingleByteMap kUsAsciiMap = makeAsciiBasedMap(detail::unmappedUpperHalf());
inline constexpr SingleByteMap kIso8859_1Map =
    makeAsciiBasedMap(detail::upperHalfWithC1(detail::latin1FromA0()));
inline constexpr SingleByteMap kWindows1252Map = makeAsciiBasedMap(detail::windows1252UpperHalf());

}  // namespace hxuchar
