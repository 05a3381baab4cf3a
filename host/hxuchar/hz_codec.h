// HZ (RFC 1843): GB 2312 between "~{" and "~}" in 7-bit text, "~~" for a
// tilde, "~" before a line end joins two lines. The GB 2312 set is the
// first set of an Iso2022Map (its pages give what the encoder writes). The
// state machine follows the reference codec's handling of malformed input:
// a "~" that starts no escape, a byte above 7F, and a GB code the set lacks
// are each one replacement for one byte.
#pragma once

#include "hx/hx_uchar.h"
#include "iso2022_map.h"

namespace hxuchar {

// As Iso2022Map::scan, encode and reset.
int scanHz(const Iso2022Map& map, const unsigned char* s, hx_uchar_state* state, int* codes, int* length) noexcept;
int encodeHz(const Iso2022Map& map, int cp, hx_uchar_state* state, unsigned char* out) noexcept;
int resetHz(hx_uchar_state* state, unsigned char* out) noexcept;

}  // namespace hxuchar
