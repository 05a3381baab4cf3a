// The stateful kinds of the catalogue behind one set of calls, so that the
// per-character functions and the runs dispatch in one place.
#pragma once

#include "encoding_catalog.h"

namespace hxuchar {

inline bool isStateful(const EncodingRow& row) noexcept {
    return row.kind == CodecKind::Iso2022 || row.kind == CodecKind::Hz || row.kind == CodecKind::Utf7 ||
           row.kind == CodecKind::EbcdicDbcs || row.kind == CodecKind::Cells;
}
// As Iso2022Map::scan.
int scanStateful(const EncodingRow& row, const unsigned char* s, hx_uchar_state* state, int* codes,
                 int* length) noexcept;
// As Iso2022Map::encode: 0 when the set lacks the character.
int encodeStateful(const EncodingRow& row, int cp, int next, hx_uchar_state* state, unsigned char* out,
                   bool* both) noexcept;
// Whether the set writes `cp` as nothing rather than as its substitute.
inline bool dropsCharacter(const EncodingRow& row, int cp) noexcept {
    return row.kind == CodecKind::EbcdicDbcs && row.ebcdicDbcs->drops(cp);
}
// The bytes back to the initial state (16 at most).
int resetStateful(const EncodingRow& row, hx_uchar_state* state, unsigned char* out) noexcept;
// Whether data that ends in `state` owes one replacement.
bool owesReplacement(const EncodingRow& row, const hx_uchar_state& state) noexcept;

}  // namespace hxuchar
