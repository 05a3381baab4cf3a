#include "encoding_catalog.h"

#include "hx/hx_uchar.h"
#include "single_byte_tables.h"

namespace hxuchar {

namespace {

constexpr EncodingRow unicodeRow(int id, CodecKind kind, int properties, int maxCharSize,
                                 int maxInternalSize, const char* const* names) {
    return EncodingRow{id, kind, properties, maxCharSize, maxInternalSize, nullptr, names};
}

// Whether bytes 00-7F are ASCII and how long a decoded byte gets follow
// from the map itself. `extraProperties` carries what the map cannot tell,
// such as a NEL default newline.
constexpr EncodingRow singleByteRow(int id, const SingleByteMap& map, int extraProperties,
                                    const char* const* names) {
    return EncodingRow{id, CodecKind::SingleByte, map.asciiProperty | extraProperties, 1,
                       map.maxInternalSize, &map, names};
}

// Names glibc's nl_langinfo(CODESET) reports come first among the aliases
// where they differ from the canonical name; "CP<n>" names are what the
// locale layer reports for a Windows ANSI code page.
constexpr const char* kUtf8Names[] = {
    "UTF-8", "UTF8", "utf_8", "U8", "CP65001", "csUTF8", nullptr};
constexpr const char* kUsAsciiNames[] = {
    "US-ASCII", "ANSI_X3.4-1968", "ASCII", "ANSI_X3.4-1986", "ISO646-US", "ISO_646.irv:1991",
    "US", "IBM367", "CP367", "csASCII", "iso-ir-6", "646", "CP20127", nullptr};
constexpr const char* kUcs2BeNames[] = {
    "UCS-2BE", "UCS2BE", "UCS-2", "UCS2", "ISO-10646-UCS-2", "csUnicode", "UNICODEBIG", nullptr};
constexpr const char* kUcs2LeNames[] = {
    "UCS-2LE", "UCS2LE", "UNICODELITTLE", nullptr};
constexpr const char* kIso8859_1Names[] = {
    "ISO-8859-1", "ISO_8859-1", "ISO8859-1", "ISO88591", "ISO_8859-1:1987", "latin1", "latin-1",
    "L1", "IBM819", "CP819", "iso-ir-100", "csISOLatin1", "8859-1", "CP28591", nullptr};
constexpr const char* kWindows1252Names[] = {
    "windows-1252", "CP1252", "cswindows1252", "x-cp1252", "MS-ANSI", nullptr};
constexpr const char* kUtf16BeNames[] = {
    "UTF-16BE", "UTF16BE", "utf_16_be", "UTF-16", "UTF16", "CP1201", "csUTF16BE", nullptr};
constexpr const char* kUtf16LeNames[] = {
    "UTF-16LE", "UTF16LE", "utf_16_le", "CP1200", "csUTF16LE", nullptr};
constexpr const char* kUtf32BeNames[] = {
    "UTF-32BE", "UTF32BE", "utf_32_be", "UTF-32", "UTF32", "CP12001", "csUTF32BE", nullptr};
constexpr const char* kUtf32LeNames[] = {
    "UTF-32LE", "UTF32LE", "utf_32_le", "CP12000", "csUTF32LE", nullptr};

constexpr int kUtf16LeProps = HX_PROP_ASCII_U16LE;
constexpr int kUtf16BeProps = HX_PROP_ASCII_U16BE;

}  // namespace

constexpr EncodingRow kEncodingRows[] = {
    unicodeRow(HX_ENC_UTF8, CodecKind::Utf8, HX_PROP_ASCII_BYTES | HX_PROP_UTF8, 4, 4, kUtf8Names),
    singleByteRow(HX_ENC_USASCII, kUsAsciiMap, 0, kUsAsciiNames),
    unicodeRow(HX_ENC_UCS2BE, CodecKind::Ucs2BE, kUtf16BeProps, 2, 3, kUcs2BeNames),
    unicodeRow(HX_ENC_UCS2LE, CodecKind::Ucs2LE, kUtf16LeProps, 2, 3, kUcs2LeNames),
    singleByteRow(HX_ENC_ISO8859_1, kIso8859_1Map, 0, kIso8859_1Names),
    singleByteRow(HX_ENC_WINDOWS1252, kWindows1252Map, 0, kWindows1252Names),
    unicodeRow(HX_ENC_UTF16BE, CodecKind::Utf16BE, kUtf16BeProps, 4, 4, kUtf16BeNames),
    unicodeRow(HX_ENC_UTF16LE, CodecKind::Utf16LE, kUtf16LeProps, 4, 4, kUtf16LeNames),
    unicodeRow(HX_ENC_UTF32BE, CodecKind::Utf32BE, HX_PROP_ASCII_U32BE, 4, 4, kUtf32BeNames),
    unicodeRow(HX_ENC_UTF32LE, CodecKind::Utf32LE, HX_PROP_ASCII_U32LE, 4, 4, kUtf32LeNames),
};

constexpr int kEncodingCount = static_cast<int>(sizeof kEncodingRows / sizeof kEncodingRows[0]);

namespace {

constexpr bool idsAreValidAndUnique() {
    std::array<bool, kIdSlots> taken{};
    for (const EncodingRow& row : kEncodingRows) {
        if (row.id < 0 || row.id >= kIdSlots || taken[row.id]) return false;
        taken[row.id] = true;
    }
    return true;
}
static_assert(idsAreValidAndUnique(), "every encoding needs its own id below kIdSlots");

// The text layer's join buffer holds 15 bytes of one character.
constexpr bool sizesFitTheTextLayer() {
    for (const EncodingRow& row : kEncodingRows) {
        if (row.maxCharSize < 1 || row.maxCharSize > 15) return false;
        if (row.maxInternalSize < 1 || row.maxInternalSize > 4) return false;
    }
    return true;
}
static_assert(sizesFitTheTextLayer());

constexpr std::array<std::int16_t, kIdSlots> buildRowOfId() {
    std::array<std::int16_t, kIdSlots> rowOfId{};
    rowOfId.fill(-1);
    for (int i = 0; i < kEncodingCount; ++i) rowOfId[kEncodingRows[i].id] = static_cast<std::int16_t>(i);
    return rowOfId;
}

}  // namespace

constexpr std::array<std::int16_t, kIdSlots> kRowOfId = buildRowOfId();

}  // namespace hxuchar
