// Every encoding against every scalar value: what it can represent comes
// back unchanged, the rest becomes the encoding's substitute, and the sizes
// and property bits the text layer trusts match what the codec does.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "hx/hx_uchar.h"
#include "scan_helpers.h"

namespace hxuchartest {
namespace {

// Scalar values some encodings represent, U+0000 left out (the internal
// form cannot carry it into hx_uchar_decode). The other sets are compared
// character by character with their references elsewhere.
const std::map<int, int> kRepresentableCount = {
    {HX_ENC_UTF8, 0x10FFFF - 0x800},   {HX_ENC_USASCII, 0x7F},
    {HX_ENC_UCS2BE, 0xFFFF - 0x800},   {HX_ENC_UCS2LE, 0xFFFF - 0x800},
    {HX_ENC_ISO8859_1, 0xFF},          {HX_ENC_WINDOWS1252, 0xFF},
    {HX_ENC_UTF16BE, 0x10FFFF - 0x800}, {HX_ENC_UTF16LE, 0x10FFFF - 0x800},
    {HX_ENC_UTF32BE, 0x10FFFF - 0x800}, {HX_ENC_UTF32LE, 0x10FFFF - 0x800},
    {HX_ENC_GB18030, 0x10FFFF - 0x800}, {HX_ENC_IBM037, 0xFF},
};

// Whether an encoding reaches beyond the BMP at all; the others are tried
// there at a few points only, which keeps the test quick for a hundred sets.
bool reachesBeyondTheBmp(int id) {
    return hx_uchar_xcsize_max(id) == 4;
}

int internalLength(int cp) {
    char internal[8];
    return hx_uchar_intcopy(cp, internal, sizeof internal);
}

bool isSingleByteSet(int id) {
    return hx_uchar_chsize_max(id) == 1;
}

// A stateful set writes a character from the initial state back to it:
// the escapes around it are no text, so the bytes must read as that one
// character, whose step (without the escapes) is its length. *steps counts
// the escapes and shifts too.
int scanWithState(int id, const char* padded, std::size_t size, int* length, int* steps) {
    hx_uchar_state state{};
    int code = -1;
    int characters = 0;
    *length = 0;
    *steps = 0;
    for (std::size_t at = 0; at < size; ++*steps) {
        int codes[HX_UCHAR_MAX_CODES];
        int step = 0;
        const int count = hx_uchar_scan_state(id, padded + at, &state, codes, &step);
        if (count < 0 || count > 1) return -1;
        if (count == 1) {
            code = codes[0];
            ++characters;
        }
        at += static_cast<std::size_t>(step);
    }
    if (characters != 1) return -1;
    *length = static_cast<int>(size);
    return code;
}

struct Observed {
    int representable = 0;
    int longestEncoded = 0;
    int longestInternal = 0;
    bool asciiBytesStayOutsideOtherCharacters = true;
    int writtenAsAnother = 0;
    // No character needed an escape or shift (a stateful set whose codes
    // stand for two characters).
    bool everyCharacterOneStep = true;
};

Observed encodeEveryScalarValue(int id) {
    // U+FFFD where the set has it (the Unicode forms), else the set's "?".
    std::string substitute = encodeCodePoint(id, 0xFFFD);
    if (scanOne(id, substitute).code != 0xFFFD) substitute = encodeCodePoint(id, '?');
    Observed observed;
    const bool everyPlane = reachesBeyondTheBmp(id);
    for (int cp = 1; cp <= 0x10FFFF; ++cp) {
        if (cp == 0xD800) cp = 0xE000;
        if (cp == 0x10000 && !everyPlane) cp = 0x10FFFF - 2;
        std::string encoded = encodeCodePoint(id, cp);
        // A million scans: padded on the stack rather than by scanOne's
        // exactly sized allocation.
        char padded[32] = {};
        encoded.copy(padded, sizeof padded - 16);
        Scanned back{0, 0};
        int steps = 1;
        back.code = (hx_uchar_encprop(id) & HX_PROP_STATEFUL)
                        ? scanWithState(id, padded, encoded.size(), &back.length, &steps)
                        : hx_uchar_chscan(id, padded, &back.length);
        if (steps > 1) observed.everyCharacterOneStep = false;
        if (back == Scanned{cp, static_cast<int>(encoded.size())}) {
            ++observed.representable;
            observed.longestEncoded = std::max(observed.longestEncoded, back.length);
            observed.longestInternal = std::max(observed.longestInternal, internalLength(cp));
            if (cp >= 0x80 && std::any_of(encoded.begin(), encoded.end(),
                                          [](char b) { return static_cast<unsigned char>(b) < 0x80; })) {
                observed.asciiBytesStayOutsideOtherCharacters = false;
            }
        } else if (back.code > 0 && back.length == static_cast<int>(encoded.size()) &&
                   encodeCodePoint(id, back.code) == encoded) {
            // Written as another character of the set, as the reference
            // writes it (Shift_JIS writes U+00A5 as 5C, which reads as "\\").
            ++observed.writtenAsAnother;
        } else if ((hx_uchar_encprop(id) & HX_PROP_STATEFUL) && (cp == 0x1B || cp == 0x0E || cp == 0x0F || back.code > 0)) {
            // ESC, SO and SI are written as themselves, as the reference
            // writes them, and read back as an escape or shift; a few codes
            // the reference writes read back as a neighbour (ISO-2022-JP-3
            // writes U+9B1D as P 7D 3B, read as U+9B1C). The reference
            // comparison holds every such byte to the reference.
        } else if (encoded.empty() && (hx_uchar_encprop(id) & HX_PROP_STATEFUL)) {
            // A default-ignorable character a double-byte EBCDIC page lacks
            // is written as nothing, as its reference writes it.
        } else if (encoded != substitute) {
            ADD_FAILURE() << hx_uchar_encname(id) << ": U+" << std::hex << cp << " is neither kept nor substituted";
            return observed;
        }
    }
    return observed;
}

// Whether every ASCII code point in units of `width` bytes (in the given
// byte order) is that code point, one unit long.
bool asciiUnitsAreCodePoints(int id, int width, bool bigEndian) {
    for (int cp = 0; cp < 0x80; ++cp) {
        std::string unit(static_cast<std::size_t>(width), '\0');
        unit[bigEndian ? unit.size() - 1 : 0] = static_cast<char>(cp);
        if (scanOne(id, unit) != Scanned{cp, width}) return false;
    }
    return true;
}

TEST(RoundTrip, EveryEncodingKeepsWhatItCanRepresentAndSubstitutesTheRest) {
    for (int index = 0; index < hx_uchar_enccount(); ++index) {
        const int id = hx_uchar_encid(index);
        SCOPED_TRACE(hx_uchar_encname(id));

        Observed observed = encodeEveryScalarValue(id);
        auto expected = kRepresentableCount.find(id);
        if (expected != kRepresentableCount.end()) {
            EXPECT_EQ(observed.representable, expected->second);
        }
        EXPECT_GE(observed.representable, 0x7F);
        const int properties = hx_uchar_encprop(id);
        // A stateful set's longest step is an escape, malformed ones included.
        if (!(properties & HX_PROP_STATEFUL) || observed.everyCharacterOneStep) {
            EXPECT_EQ(observed.longestEncoded, hx_uchar_chsize_max(id));
        }
        EXPECT_EQ(observed.longestInternal, hx_uchar_xcsize_max(id));

        const bool asciiRuns = asciiUnitsAreCodePoints(id, 1, false);
        EXPECT_EQ((properties & HX_PROP_ASCII_RUNS) != 0, asciiRuns);
        EXPECT_EQ((properties & HX_PROP_ASCII_BYTES) != 0, asciiRuns && observed.asciiBytesStayOutsideOtherCharacters);
        EXPECT_EQ((properties & HX_PROP_ASCII_U16LE) != 0, asciiUnitsAreCodePoints(id, 2, false));
        EXPECT_EQ((properties & HX_PROP_ASCII_U16BE) != 0, asciiUnitsAreCodePoints(id, 2, true));
        EXPECT_EQ((properties & HX_PROP_ASCII_U32LE) != 0, asciiUnitsAreCodePoints(id, 4, false));
        EXPECT_EQ((properties & HX_PROP_ASCII_U32BE) != 0, asciiUnitsAreCodePoints(id, 4, true));
        EXPECT_EQ((properties & HX_PROP_UTF8) != 0, id == HX_ENC_UTF8);
        // A NEL newline must survive the round trip, or lines written with
        // the default newline would not read back.
        if (properties & HX_PROP_NEL_NEWLINE) {
            EXPECT_EQ(scanOne(id, encodeCodePoint(id, 0x85)), (Scanned{0x85, 1}));
            EXPECT_EQ(scanOne(id, encodeCodePoint(id, 0x0A)), (Scanned{0x0A, 1}));
        }
    }
}

TEST(RoundTrip, EveryByteOfASingleByteSetDecodesAndComesBack) {
    for (int index = 0; index < hx_uchar_enccount(); ++index) {
        const int id = hx_uchar_encid(index);
        if (!isSingleByteSet(id)) continue;
        SCOPED_TRACE(hx_uchar_encname(id));
        int mapped = 0;
        for (int byte = 1; byte < 256; ++byte) {
            Scanned scanned = scanOne(id, bytes({byte}));
            ASSERT_EQ(scanned.length, 1) << byte;
            if (scanned.code < 0) continue;
            ++mapped;
            // A few sets give two bytes the same character (IBM875 has six
            // for U+001A); that character is written as one of them.
            const std::string written = encodeCodePoint(id, scanned.code);
            if (written != bytes({byte})) {
                EXPECT_EQ(scanOne(id, written), scanned) << byte;
            }
        }
        auto expected = kRepresentableCount.find(id);
        if (expected != kRepresentableCount.end()) {
            EXPECT_EQ(mapped, expected->second);
        }
    }
}

TEST(RoundTrip, ZeroUnitsScanAsUPlus0000) {
    for (int index = 0; index < hx_uchar_enccount(); ++index) {
        const int id = hx_uchar_encid(index);
        const int properties = hx_uchar_encprop(id);
        const int unit = properties & (HX_PROP_ASCII_U32LE | HX_PROP_ASCII_U32BE)   ? 4
                         : properties & (HX_PROP_ASCII_U16LE | HX_PROP_ASCII_U16BE) ? 2
                                                                                    : 1;
        EXPECT_EQ(scanOne(id, std::string(static_cast<std::size_t>(unit), '\0')), (Scanned{0, unit}))
            << hx_uchar_encname(id);
    }
}

}  // namespace
}  // namespace hxuchartest
