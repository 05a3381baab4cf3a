// The table of encodings: one row per encoding, naming its codec kind and,
// for table-driven kinds, its mapping. The rows are generated from
// tables/encodings.txt. Scanning and encoding switch on the
// kind; everything else about an encoding is read from its row.
#pragma once

#include <array>
#include <cstdint>

#include "cell_map.h"
#include "ebcdic_dbcs_map.h"
#include "iso2022_map.h"
#include "multi_byte_map.h"
#include "single_byte_map.h"

namespace hxuchar {

enum class CodecKind : std::uint8_t {
    Utf8,
    Utf16BE,
    Utf16LE,
    Ucs2BE,
    Ucs2LE,
    Utf32BE,
    Utf32LE,
    SingleByte,
    MultiByte,
    Iso2022,
    Hz,
    Utf7,
    EbcdicDbcs,
    Cells,
};

struct EncodingRow {
    int id;
    CodecKind kind;
    int properties;        // HX_PROP_* bits
    int maxCharSize;       // bytes of one character in the encoding
    int maxInternalSize;   // bytes of one decoded character in the internal form
    const SingleByteMap* singleByte;   // the mapping of a SingleByte row
    const MultiByteMap* multiByte;     // the mapping of a MultiByte row
    const Iso2022Map* iso2022;         // the sets and escapes of an Iso2022 row, the set of an Hz row
    const char* const* names;          // canonical name first; null-terminated
    const CellMap* cells;              // the mapping of a Cells row
    const EbcdicDbcsMap* ebcdicDbcs = nullptr;   // the page of an EbcdicDbcs row
};

// Ids index a table of this many slots.
inline constexpr int kIdSlots = 256;

extern const EncodingRow kEncodingRows[];
extern const int kEncodingCount;
// Row index of each id, -1 where no encoding has the id.
extern const std::array<std::int16_t, kIdSlots> kRowOfId;

inline const EncodingRow* findEncoding(int id) noexcept {
    if (static_cast<unsigned>(id) >= static_cast<unsigned>(kIdSlots)) return nullptr;
    int row = kRowOfId[static_cast<unsigned>(id)];
    return row < 0 ? nullptr : &kEncodingRows[row];
}

}  // namespace hxuchar
