// UTF-7 (RFC 2152) as the reference codec reads and writes it: "+" starts
// base64 of UTF-16 units, "-" or any character outside base64 ends it, "+-"
// is a plus sign. Which characters are written directly is the generated
// table kUtf7Direct (from CPython's encoder); every ASCII character but "+"
// reads directly. Malformed input, as the reference replaces it: a "+"
// before a character that is neither base64 nor "-" is one replacement with
// that character; a run that ends with a partial unit or with non-zero
// padding bits is one replacement that takes the character ending it; a
// run cut by the end of the data in such a state is one replacement
// (hx_uchar_finish_state); a high surrogate without its low one is a
// replacement of its own, where the reference hands out the lone surrogate.
#pragma once

#include <cstdint>

#include "hx/hx_uchar.h"

namespace hxuchar {

extern const std::uint8_t kUtf7Direct[128];

int scanUtf7(const unsigned char* s, hx_uchar_state* state, int* codes, int* length) noexcept;
int encodeUtf7(int cp, hx_uchar_state* state, unsigned char* out) noexcept;
int resetUtf7(hx_uchar_state* state, unsigned char* out) noexcept;
// Whether data that ends in `state` owes one replacement (an unterminated run).
bool owesReplacementUtf7(const hx_uchar_state& state) noexcept;

}  // namespace hxuchar
