// Bytes of an encoding to code points (hx_uchar_chscan, hx_uchar_toint).
#include "hx/hx_uchar.h"

#include "encoding_catalog.h"
#include "stateful_codecs.h"
#include "utf8.h"

namespace hxuchar {
namespace {

inline unsigned read16(const unsigned char* s, bool bigEndian) noexcept {
    return bigEndian ? (s[0] << 8) | s[1] : (s[1] << 8) | s[0];
}

inline std::uint32_t read32(const unsigned char* s, bool bigEndian) noexcept {
    std::uint32_t b0 = s[0], b1 = s[1], b2 = s[2], b3 = s[3];
    return bigEndian ? (b0 << 24) | (b1 << 16) | (b2 << 8) | b3 : (b3 << 24) | (b2 << 16) | (b1 << 8) | b0;
}

int scanUtf16(const unsigned char* s, int* length, bool bigEndian) noexcept {
    unsigned unit = read16(s, bigEndian);
    *length = 2;
    if (unit < 0xD800 || unit > 0xDFFF) return static_cast<int>(unit);
    if (unit >= 0xDC00) return -1;
    unsigned low = read16(s + 2, bigEndian);
    // An unpaired high surrogate is replaced on its own; the unit after it
    // starts the next character.
    if (low < 0xDC00 || low > 0xDFFF) return -1;
    *length = 4;
    return static_cast<int>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
}

int scanUcs2(const unsigned char* s, int* length, bool bigEndian) noexcept {
    unsigned unit = read16(s, bigEndian);
    *length = 2;
    return unit >= 0xD800 && unit <= 0xDFFF ? -1 : static_cast<int>(unit);
}

int scanUtf32(const unsigned char* s, int* length, bool bigEndian) noexcept {
    std::uint32_t value = read32(s, bigEndian);
    *length = 4;
    return value <= 0x10FFFF && isScalarValue(static_cast<int>(value)) ? static_cast<int>(value) : -1;
}

}  // namespace
}  // namespace hxuchar

extern "C" int hx_uchar_chscan(int id, const char* bytes, int* length) {
    using namespace hxuchar;
    int unused = 0;
    if (!length) length = &unused;
    const EncodingRow* row = findEncoding(id);
    if (!row || !bytes) {
        *length = 1;
        return -1;
    }
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    switch (row->kind) {
    case CodecKind::Utf8:
        return scanUtf8(s, length);
    case CodecKind::Utf16BE:
        return scanUtf16(s, length, true);
    case CodecKind::Utf16LE:
        return scanUtf16(s, length, false);
    case CodecKind::Ucs2BE:
        return scanUcs2(s, length, true);
    case CodecKind::Ucs2LE:
        return scanUcs2(s, length, false);
    case CodecKind::Utf32BE:
        return scanUtf32(s, length, true);
    case CodecKind::Utf32LE:
        return scanUtf32(s, length, false);
    case CodecKind::SingleByte:
        *length = 1;
        return row->singleByte->decode(s[0]);
    case CodecKind::MultiByte:
        return row->multiByte->scan(s, length);
    case CodecKind::Iso2022:
    case CodecKind::Hz:
    case CodecKind::Utf7:
    case CodecKind::EbcdicDbcs:
    case CodecKind::Cells: {
        // One step from the initial state; an escape is no character.
        hx_uchar_state initial{};
        int codes[HX_UCHAR_MAX_CODES];
        return scanStateful(*row, s, &initial, codes, length) == 1 ? codes[0] : -1;
    }
    }
    *length = 1;
    return -1;
}

extern "C" int hx_uchar_toint(const char* text, int* length) {
    int unused = 0;
    if (!length) length = &unused;
    if (!text) {
        *length = 1;
        return -1;
    }
    return hxuchar::scanUtf8(reinterpret_cast<const unsigned char*>(text), length);
}
