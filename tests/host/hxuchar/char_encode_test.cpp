// Writing code points into the internal form and internal-form text into
// an encoding: the room limits and substitutes the text layer relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

#include "hx/hx_uchar.h"
#include "scan_helpers.h"

namespace hxuchartest {
namespace {

std::string decodeText(int id, const std::string& text, int room = 64) {
    std::string out(static_cast<std::size_t>(room > 0 ? room : 1), '\x55');
    int length = hx_uchar_decode(id, text.c_str(), out.data(), room);
    EXPECT_GE(length, 0);
    EXPECT_LE(length, room > 0 ? room : 0);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

TEST(Intcopy, WritesWhenTheCharacterFitsAndTerminatesWhenRoomAllows) {
    char dest[8];
    std::fill(std::begin(dest), std::end(dest), 'x');
    EXPECT_EQ(hx_uchar_intcopy(0x20AC, dest, 2), 0);
    EXPECT_EQ(std::string(dest, 3), "xxx");

    EXPECT_EQ(hx_uchar_intcopy(0x20AC, dest, 3), 3);
    EXPECT_EQ(std::string(dest, 4), "\xE2\x82\xAC" "x");
    EXPECT_EQ(hx_uchar_intcopy(0x20AC, dest, 4), 3);
    EXPECT_EQ(std::string(dest, 4), std::string("\xE2\x82\xAC\0", 4));

    EXPECT_EQ(hx_uchar_intcopy(0, dest, 1), 1);
    EXPECT_EQ(dest[0], '\0');
    EXPECT_EQ(hx_uchar_intcopy(0x41, dest, 0), 0);
    EXPECT_EQ(hx_uchar_intcopy(0x41, nullptr, 8), 0);
}

TEST(Intcopy, InvalidCodePointsBecomeTheReplacementCharacter) {
    for (int cp : {-1, INT_MIN, 0xD800, 0xDFFF, 0x110000, INT_MAX}) {
        char dest[8] = {};
        EXPECT_EQ(hx_uchar_intcopy(cp, dest, sizeof dest), 3) << cp;
        EXPECT_STREQ(dest, "\xEF\xBF\xBD") << cp;
    }
}

TEST(Decode, UnrepresentableAndInvalidTextBecomeTheSubstitute) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xC3";   // a é € 😀, then a cut sequence
    EXPECT_EQ(decodeText(HX_ENC_USASCII, text), "a????");
    EXPECT_EQ(decodeText(HX_ENC_ISO8859_1, text), "a\xE9???");
    EXPECT_EQ(decodeText(HX_ENC_WINDOWS1252, text), "a\xE9\x80??");
    EXPECT_EQ(decodeText(HX_ENC_UTF8, text), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD");
    EXPECT_EQ(decodeText(HX_ENC_UCS2LE, "\xF0\x9F\x98\x80"), bytes({0xFD, 0xFF}));
    EXPECT_EQ(decodeText(HX_ENC_UTF16LE, "\xF0\x9F\x98\x80"), bytes({0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_EQ(decodeText(HX_ENC_UTF32BE, "\xED\xA0\x80"), bytes({0, 0, 0xFF, 0xFD, 0, 0, 0xFF, 0xFD, 0, 0, 0xFF, 0xFD}));
}

TEST(Decode, StopsBeforeACharacterThatDoesNotFit) {
    EXPECT_EQ(decodeText(HX_ENC_UTF16LE, "AB", 3), bytes({0x41, 0}));
    EXPECT_EQ(decodeText(HX_ENC_UTF8, "a\xE2\x82\xAC", 3), "a");
    EXPECT_EQ(decodeText(HX_ENC_UTF32LE, "\r\n", 8), bytes({0x0D, 0, 0, 0, 0x0A, 0, 0, 0}));
    EXPECT_EQ(decodeText(HX_ENC_UTF32LE, "A", 0), "");
    EXPECT_EQ(decodeText(HX_ENC_UTF32LE, "A", -5), "");
}

TEST(Decode, UnknownEncodingOrMissingArgumentsWriteNothing) {
    char dest[16];
    EXPECT_EQ(hx_uchar_decode(-1, "A", dest, sizeof dest), 0);
    EXPECT_EQ(hx_uchar_decode(2, "A", dest, sizeof dest), 0);
    EXPECT_EQ(hx_uchar_decode(HX_ENC_UTF8, nullptr, dest, sizeof dest), 0);
    EXPECT_EQ(hx_uchar_decode(HX_ENC_UTF8, "A", nullptr, sizeof dest), 0);
}

}  // namespace
}  // namespace hxuchartest
