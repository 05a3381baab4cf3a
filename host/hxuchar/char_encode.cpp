// Code points to the internal form (hx_uchar_intcopy) and internal-form
// text to the bytes of an encoding (hx_uchar_decode).
#include <cstring>

#include "hx/hx_uchar.h"

#include "encoding_catalog.h"
#include "stateful_codecs.h"
#include "utf8.h"

namespace hxuchar {
namespace {

// Most bytes one character takes in any encoding of the catalogue.
constexpr int kMaxEncodedChar = 16;

inline void write16(unsigned unit, unsigned char* out, bool bigEndian) noexcept {
    out[bigEndian ? 0 : 1] = static_cast<unsigned char>(unit >> 8);
    out[bigEndian ? 1 : 0] = static_cast<unsigned char>(unit & 0xFF);
}

inline void write32(std::uint32_t value, unsigned char* out, bool bigEndian) noexcept {
    for (int i = 0; i < 4; ++i) {
        out[bigEndian ? 3 - i : i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

int encodeUtf16(int cp, unsigned char* out, bool bigEndian) noexcept {
    if (cp < 0x10000) {
        write16(static_cast<unsigned>(cp), out, bigEndian);
        return 2;
    }
    unsigned offset = static_cast<unsigned>(cp) - 0x10000;
    write16(0xD800 + (offset >> 10), out, bigEndian);
    write16(0xDC00 + (offset & 0x3FF), out + 2, bigEndian);
    return 4;
}

int encodeUcs2(int cp, unsigned char* out, bool bigEndian) noexcept {
    write16(static_cast<unsigned>(cp < 0x10000 ? cp : kReplacementCharacter), out, bigEndian);
    return 2;
}

// `cp` is a scalar value.
int encodeChar(const EncodingRow& row, int cp, unsigned char* out) noexcept {
    switch (row.kind) {
    case CodecKind::Utf8:
        return writeUtf8(cp, out);
    case CodecKind::Utf16BE:
        return encodeUtf16(cp, out, true);
    case CodecKind::Utf16LE:
        return encodeUtf16(cp, out, false);
    case CodecKind::Ucs2BE:
        return encodeUcs2(cp, out, true);
    case CodecKind::Ucs2LE:
        return encodeUcs2(cp, out, false);
    case CodecKind::Utf32BE:
        write32(static_cast<std::uint32_t>(cp), out, true);
        return 4;
    case CodecKind::Utf32LE:
        write32(static_cast<std::uint32_t>(cp), out, false);
        return 4;
    case CodecKind::SingleByte: {
        int byte = row.singleByte->encode(cp);
        out[0] = byte < 0 ? row.singleByte->substitute : static_cast<unsigned char>(byte);
        return 1;
    }
    case CodecKind::MultiByte: {
        int length = row.multiByte->encode(cp, out);
        if (length > 0) return length;
        out[0] = '?';
        return 1;
    }
    case CodecKind::Iso2022:
    case CodecKind::Hz:
    case CodecKind::Utf7:
    case CodecKind::EbcdicDbcs:
    case CodecKind::Cells:
        break;   // hx_uchar_decode writes these with a state
    }
    return 0;
}

// A stateful set's text from the initial state back to it, so that the
// bytes stand alone wherever the caller puts them. Stops before a
// character that does not fit together with that return.
int encodeFromInitialState(const EncodingRow& row, const char* text, char* dest, int room) noexcept {
    hx_uchar_state state{};
    int written = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    while (*s != 0) {
        int consumed = 1;
        int cp = scanUtf8(s, &consumed);
        if (cp < 0) cp = kReplacementCharacter;
        int nextConsumed = 0;
        const int next = s[consumed] != 0 ? scanUtf8(s + consumed, &nextConsumed) : 0;
        hx_uchar_state after = state;
        unsigned char bytes[2 * kMaxEncodedChar];
        bool both = false;
        int size = encodeStateful(row, cp, next > 0 ? next : 0, &after, bytes, &both);
        if (size == 0 && !dropsCharacter(row, cp)) size = encodeStateful(row, '?', 0, &after, bytes, &both);
        if (both) consumed += nextConsumed;
        hx_uchar_state closed = after;
        const int back = resetStateful(row, &closed, bytes + size);
        if (written + size + back > room) break;
        std::memcpy(dest + written, bytes, static_cast<std::size_t>(size));
        written += size;
        state = after;
        s += consumed;
    }
    unsigned char back[kMaxEncodedChar];
    const int backLength = resetStateful(row, &state, back);
    std::memcpy(dest + written, back, static_cast<std::size_t>(backLength));
    return written + backLength;
}

}  // namespace
}  // namespace hxuchar

extern "C" int hx_uchar_intcopy(int cp, char* dest, int room) {
    using namespace hxuchar;
    if (!dest) return 0;
    if (!isScalarValue(cp)) cp = kReplacementCharacter;
    unsigned char bytes[4];
    int length = writeUtf8(cp, bytes);
    if (length > room) return 0;
    std::memcpy(dest, bytes, static_cast<std::size_t>(length));
    if (length < room) dest[length] = '\0';
    return length;
}

extern "C" int hx_uchar_decode(int id, const char* text, char* dest, int room) {
    using namespace hxuchar;
    const EncodingRow* row = findEncoding(id);
    if (!row || !text || !dest) return 0;
    if (isStateful(*row)) return encodeFromInitialState(*row, text, dest, room);
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    int written = 0;
    while (*s != 0) {
        int consumed = 1;
        int cp = scanUtf8(s, &consumed);
        if (cp < 0) cp = kReplacementCharacter;
        unsigned char encoded[kMaxEncodedChar];
        int length = encodeChar(*row, cp, encoded);
        if (length > room - written) break;
        std::memcpy(dest + written, encoded, static_cast<std::size_t>(length));
        written += length;
        s += consumed;
    }
    return written;
}
