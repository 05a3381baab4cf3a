// What the kernels share: which values are plain text, and reading units.
#pragma once

#include <cstddef>
#include <utility>

#include "hx/hx_line_ends.h"

namespace vrb::ascii {

inline bool isPlain(unsigned value, bool lineEnds) noexcept {
    if (value == 0 || value >= 0x80) return false;
    return !(lineEnds && hxuchar::isAsciiLineEnd(value));
}

// The vector kernels' line-end lanes: `equals(c)` for every member `c` of
// `List`, joined by `join`, unrolled at compile time.
template <const auto& List, typename Equals, typename Join>
inline auto anyOf(Equals equals, Join join) noexcept {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        auto lanes = equals(List[0]);
        ((lanes = join(lanes, equals(List[I + 1]))), ...);
        return lanes;
    }(std::make_index_sequence<List.size() - 1>{});
}

template <typename Equals, typename Join>
inline auto anyAsciiLineEnd(Equals equals, Join join) noexcept {
    return anyOf<hxuchar::kAsciiLineEnds>(equals, join);
}

template <typename Equals, typename Join>
inline auto anyWideLineEnd(Equals equals, Join join) noexcept {
    return anyOf<hxuchar::kWideLineEnds>(equals, join);
}

inline unsigned unit16At(const unsigned char* p, bool bigEndian) noexcept {
    return bigEndian ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
}

inline unsigned unit32At(const unsigned char* p, bool bigEndian) noexcept {
    return bigEndian ? static_cast<unsigned>(p[0]) << 24 | static_cast<unsigned>(p[1]) << 16 | p[2] << 8 | p[3]
                     : static_cast<unsigned>(p[3]) << 24 | static_cast<unsigned>(p[2]) << 16 | p[1] << 8 | p[0];
}

// The scalar kernels, which the vector ones finish their tails with.
int copyPlainBytesScalar(const unsigned char* bytes, int i, int limit, char* out, bool lineEnds);
int copyPlainUnits16Scalar(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out);
int copyPlainUnits32Scalar(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out);
int storePlainTextScalar(const unsigned char* text, int limit, char* out, int unit, bool bigEndian);

}  // namespace vrb::ascii
