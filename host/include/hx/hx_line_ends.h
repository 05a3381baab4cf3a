// The characters that take part in a line end, listed once for every layer
// that classifies them. The character-set layer sits below the text layer,
// so the list lives here, where both see it: the character-set layer's bulk
// runs stop before these characters and its generator
// (host/hxuchar/tables/generate.py, which reads the list from this file)
// flags them in the single-byte tables; the text layer's line-end rule and
// its ASCII kernels are built from the values derived below.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace hxuchar {

// LF, FF, CR, NEL, LS, PS.
inline constexpr char32_t kLineEndCharacters[] = {0x0A, 0x0C, 0x0D, 0x85, 0x2028, 0x2029};

// CR differs from the others: an LF right after it belongs to the same line end.
inline constexpr char32_t kCarriageReturn = 0x0D;
inline constexpr char32_t kLineFeed = 0x0A;

namespace line_ends_detail {

constexpr std::size_t countWhere(bool ascii) {
    std::size_t count = 0;
    for (char32_t c : kLineEndCharacters) count += (c < 0x80) == ascii ? 1 : 0;
    return count;
}

template <typename T, std::size_t N>
constexpr std::array<T, N> listWhere(bool ascii) {
    std::array<T, N> list{};
    std::size_t next = 0;
    for (char32_t c : kLineEndCharacters) {
        if ((c < 0x80) == ascii) list[next++] = static_cast<T>(c);
    }
    return list;
}

}  // namespace line_ends_detail

// The ASCII members, which the bulk paths test byte by byte (or unit by
// unit), and the others.
inline constexpr auto kAsciiLineEnds =
    line_ends_detail::listWhere<unsigned char, line_ends_detail::countWhere(true)>(true);
inline constexpr auto kWideLineEnds =
    line_ends_detail::listWhere<char32_t, line_ends_detail::countWhere(false)>(false);

// The ASCII members as bits of one word, and one past the highest of them:
// a byte at or above that limit and below 0x80 never ends a line.
inline constexpr std::uint32_t kControlLineEndBits = [] {
    std::uint32_t bits = 0;
    for (unsigned char c : kAsciiLineEnds) bits |= std::uint32_t{1} << c;
    return bits;
}();
inline constexpr unsigned kAsciiLineEndLimit = [] {
    unsigned limit = 0;
    for (unsigned char c : kAsciiLineEnds) limit = c + 1u > limit ? c + 1u : limit;
    return limit;
}();

static_assert(kAsciiLineEndLimit <= 0x20, "the ASCII line ends are controls, one bit each of a 32-bit word");

constexpr bool isAsciiLineEnd(std::uint32_t cp) noexcept {
    return cp < 0x20 && ((kControlLineEndBits >> cp) & 1u) != 0;
}

constexpr bool isLineEndCharacter(std::uint32_t cp) noexcept {
    if (cp < 0x80) return isAsciiLineEnd(cp);
    for (char32_t c : kWideLineEnds) {
        if (c == cp) return true;
    }
    return false;
}

}  // namespace hxuchar
