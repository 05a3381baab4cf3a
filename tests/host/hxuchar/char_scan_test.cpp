// Scanning file bytes: the lengths the reading engine steps by, above all
// for bad and cut-off sequences, which the reference comparison sees only
// through the number of replacement characters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hx/hx_uchar.h"
#include "scan_helpers.h"

namespace hxuchartest {
namespace {

constexpr int kBad = -1;

struct ScanCase {
    int id;
    std::string data;
    std::vector<Scanned> expected;
};

void expectScans(const std::vector<ScanCase>& cases) {
    for (const ScanCase& c : cases) {
        std::vector<Scanned> got = scanAll(c.id, c.data);
        for (Scanned& scanned : got) {
            if (scanned.code < 0) scanned.code = kBad;
        }
        EXPECT_EQ(got, c.expected) << hx_uchar_encname(c.id) << " " << ::testing::PrintToString(c.data);
    }
}

// The reference comparison checks these through the replacement count;
// here the lengths themselves, one representative per kind of fault.
TEST(CharScan, BadSequencesSkipTheirMaximalSubpart) {
    expectScans({
        {HX_ENC_UTF8, bytes({0xC0, 0x80}), {{kBad, 1}, {kBad, 1}}},                   // overlong
        {HX_ENC_UTF8, bytes({0xED, 0xA0, 0x80}), {{kBad, 1}, {kBad, 1}, {kBad, 1}}},    // surrogate
        {HX_ENC_UTF8, bytes({0xF0, 0x90, 0x80, 0x41}), {{kBad, 3}, {0x41, 1}}},
        {HX_ENC_UTF16LE, bytes({0x00, 0xD8, 0x00, 0xD8, 0x00, 0xDC}), {{kBad, 2}, {0x10000, 4}}},
        {HX_ENC_UTF16LE, bytes({0x00, 0xDC, 0x41, 0x00}), {{kBad, 2}, {0x41, 2}}},
        // UCS-2 has no pairs: each surrogate unit is bad on its own.
        {HX_ENC_UCS2BE, bytes({0xD8, 0x3D, 0xDE, 0x00}), {{kBad, 2}, {kBad, 2}}},
        {HX_ENC_UTF32BE, bytes({0x00, 0x11, 0x00, 0x00, 0, 0, 0, 0x41}), {{kBad, 4}, {0x41, 4}}},
        {HX_ENC_USASCII, bytes({0x80, 0x41}), {{kBad, 1}, {0x41, 1}}},
    });
}

TEST(CharScan, SequencesCutByTheZeroPaddingReportTheirPrefix) {
    expectScans({
        {HX_ENC_UTF8, bytes({0xE2, 0x82}), {{kBad, 2}}},
        {HX_ENC_UTF8, bytes({0xF0, 0x9F, 0x98}), {{kBad, 3}}},
        {HX_ENC_UTF8, bytes({0xC3}), {{kBad, 1}}},
        // In 16- and 32-bit forms the padding reads as part of the unit; the
        // length then runs past the data, which tells the engine.
        {HX_ENC_UTF16LE, bytes({0x41}), {{0x41, 2}}},
        {HX_ENC_UTF16BE, bytes({0xD8, 0x00}), {{kBad, 2}}},
        {HX_ENC_UTF16BE, bytes({0xD8, 0x00, 0xDC}), {{0x10000, 4}}},
        {HX_ENC_UTF32LE, bytes({0x41, 0x00}), {{0x41, 4}}},
    });
}

// Multi-byte sets: a lead byte whose next byte does not continue it is bad
// alone, so that an ASCII byte after it (a line end) survives; a sequence
// cut by the padding is one bad stretch unless an ASCII byte follows its
// lead byte. Expectations from the sets' published tables.
TEST(CharScan, MultiByteSetsNeverSwallowWhatFollowsABadLeadByte) {
    expectScans({
        {HX_ENC_SHIFT_JIS, bytes({0x82, 0xA0, 0x5C, 0xA1}), {{0x3042, 2}, {0x5C, 1}, {0xFF61, 1}}},
        {HX_ENC_SHIFT_JIS, bytes({0x81, 0x0A, 0x81}), {{kBad, 1}, {0x0A, 1}, {kBad, 1}}},
        {HX_ENC_EUC_JP, bytes({0xA4, 0xA2, 0x8E, 0xA1, 0x8F, 0xB0, 0xA1}), {{0x3042, 2}, {0xFF61, 2}, {0x4E02, 3}}},
        {HX_ENC_EUC_JP, bytes({0x8F, 0xB0, 0x41, 0x8F, 0xB0}), {{kBad, 1}, {kBad, 1}, {0x41, 1}, {kBad, 2}}},
        {HX_ENC_GB18030, bytes({0x81, 0x30, 0x81, 0x30, 0x90, 0x30, 0x81, 0x30, 0xE3, 0x32, 0x9A, 0x35, 0xA1, 0xA1}),
         {{0x80, 4}, {0x10000, 4}, {0x10FFFF, 4}, {0x3000, 2}}},
        {HX_ENC_GB18030, bytes({0x81, 0x30, 0x41}), {{kBad, 1}, {0x30, 1}, {0x41, 1}}},
        // Past the BMP block and past U+10FFFF: well formed, but no character.
        {HX_ENC_GB18030, bytes({0x84, 0x31, 0xA5, 0x30}), {{kBad, 1}, {0x31, 1}, {kBad, 1}, {0x30, 1}}},
        {HX_ENC_GB18030, bytes({0xE3, 0x32, 0x9A, 0x36}), {{kBad, 1}, {0x32, 1}, {kBad, 1}, {0x36, 1}}},
        {HX_ENC_GB18030, bytes({0x81, 0x30, 0x81}), {{kBad, 1}, {0x30, 1}, {kBad, 1}}},
        {HX_ENC_GB18030, bytes({0x80, 0xFF, 0x81, 0x7F}), {{kBad, 1}, {kBad, 1}, {kBad, 1}, {0x7F, 1}}},
        {HX_ENC_BIG5, bytes({0xA4, 0x40, 0xA4, 0x0D}), {{0x4E00, 2}, {kBad, 1}, {0x0D, 1}}},
        {HX_ENC_EUC_KR, bytes({0xB0, 0xA1, 0xA4, 0xD4, 0xB0, 0x0A}), {{0xAC00, 2}, {0x3164, 2}, {kBad, 1}, {0x0A, 1}}},
    });
}

// EBCDIC: 15 is NEL and 25 is LF, so the default newline reads back.
TEST(CharScan, EbcdicLineEnds) {
    for (int id : {HX_ENC_IBM037, HX_ENC_IBM1047}) {
        expectScans({{id, bytes({0x15, 0x25, 0xC1, 0x6F}), {{0x85, 1}, {0x0A, 1}, {0x41, 1}, {0x3F, 1}}}});
        EXPECT_EQ(encodeCodePoint(id, 0x85), bytes({0x15}));
        EXPECT_EQ(encodeCodePoint(id, 0x0A), bytes({0x25}));
        EXPECT_EQ(encodeCodePoint(id, 0x4E00), bytes({0x6F})) << "the set's own question mark";
    }
    expectScans({{HX_ENC_IBM1047, bytes({0xAD, 0xBD}), {{0x5B, 1}, {0x5D, 1}}}});
}

// The five bytes the code page leaves undefined keep their C1 values both ways.
TEST(CharScan, Windows1252KeepsItsUndefinedBytes) {
    expectScans({
        {HX_ENC_WINDOWS1252, bytes({0x81, 0x8D, 0x8F, 0x90, 0x9D}),
         {{0x81, 1}, {0x8D, 1}, {0x8F, 1}, {0x90, 1}, {0x9D, 1}}},
    });
    for (int cp : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(encodeCodePoint(HX_ENC_WINDOWS1252, cp), bytes({cp}));
    }
}

TEST(CharScan, UnknownEncodingOrMissingArgumentsGiveOneBadByte) {
    for (int id : {-1, 2, 255, 256, 100000}) {
        EXPECT_EQ(scanOne(id, "A"), (Scanned{kBad, 1})) << id;
    }
    int length = 0;
    EXPECT_LT(hx_uchar_chscan(HX_ENC_UTF8, nullptr, &length), 0);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(hx_uchar_chscan(HX_ENC_UTF8, "A", nullptr), 0x41);
    EXPECT_LT(hx_uchar_toint(nullptr, &length), 0);
    EXPECT_EQ(length, 1);
}

TEST(CharScan, TointReadsTheInternalFormAsUtf8) {
    const std::vector<std::string> samples = {
        "A", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC0\x80", "\xED\xA0\x80",
        "\xF0\x90\x80", "\xE2\x41", "\x80", "\xFF", std::string(1, '\0'),
    };
    for (const std::string& sample : samples) {
        int length = 0;
        int code = hx_uchar_toint(sample.c_str(), &length);
        EXPECT_EQ((Scanned{code, length}), scanOne(HX_ENC_UTF8, sample)) << ::testing::PrintToString(sample);
    }
}

}  // namespace
}  // namespace hxuchartest
