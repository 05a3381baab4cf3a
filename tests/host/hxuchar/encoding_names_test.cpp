// Names, ids and sizes as hosts and the local stream see them.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "hx/hx_uchar.h"

namespace {

std::string withCase(const char* name, int (*change)(int)) {
    std::string result(name);
    for (char& c : result) c = static_cast<char>(change(static_cast<unsigned char>(c)));
    return result;
}

TEST(EncodingNames, EveryNameLeadsBackToItsEncodingInAnyCase) {
    for (int index = 0; index < hx_uchar_enccount(); ++index) {
        const int id = hx_uchar_encid(index);
        ASSERT_STREQ(hx_uchar_encalias(id, 0), hx_uchar_encname(id));
        int names = 0;
        for (const char* name; (name = hx_uchar_encalias(id, names)) != nullptr; ++names) {
            EXPECT_EQ(hx_uchar_getenc(name), id) << name;
            EXPECT_EQ(hx_uchar_getenc(withCase(name, std::toupper).c_str()), id) << name;
            EXPECT_EQ(hx_uchar_getenc(withCase(name, std::tolower).c_str()), id) << name;
        }
        EXPECT_GT(names, 1) << hx_uchar_encname(id);
    }
    EXPECT_EQ(hx_uchar_encid(-1), -1);
    EXPECT_EQ(hx_uchar_encid(hx_uchar_enccount()), -1);
    EXPECT_EQ(hx_uchar_encalias(HX_ENC_UTF8, -1), nullptr);
    EXPECT_EQ(hx_uchar_encalias(-1, 0), nullptr);
}

TEST(EncodingNames, LocaleAndCommonNamesAreKnown) {
    const struct {
        const char* name;
        int id;
    } known[] = {
        // What nl_langinfo(CODESET) reports under glibc.
        {"UTF-8", HX_ENC_UTF8}, {"ANSI_X3.4-1968", HX_ENC_USASCII},
        {"ISO-8859-1", HX_ENC_ISO8859_1}, {"CP1252", HX_ENC_WINDOWS1252},
        // What the locale layer reports for Windows ANSI code pages.
        {"CP65001", HX_ENC_UTF8}, {"CP20127", HX_ENC_USASCII}, {"CP28591", HX_ENC_ISO8859_1},
        {"utf8", HX_ENC_UTF8}, {"latin1", HX_ENC_ISO8859_1}, {"ISO_8859-1", HX_ENC_ISO8859_1},
        {"windows-1252", HX_ENC_WINDOWS1252}, {"ascii", HX_ENC_USASCII}, {"us-ascii", HX_ENC_USASCII},
        {"UTF-16LE", HX_ENC_UTF16LE}, {"UTF-16", HX_ENC_UTF16BE}, {"UCS-2LE", HX_ENC_UCS2LE},
        {"UCS-2", HX_ENC_UCS2BE}, {"UTF-32", HX_ENC_UTF32BE}, {"utf-32le", HX_ENC_UTF32LE},
    };
    for (const auto& entry : known) EXPECT_EQ(hx_uchar_getenc(entry.name), entry.id) << entry.name;
}

// What glibc's nl_langinfo(CODESET) reports for every locale whose set the
// catalogue has, and the "CP<n>" names of Windows ANSI and OEM code pages.
TEST(EncodingNames, LocaleCharsetNamesFindTheirSets) {
    const struct {
        const char* name;
        const char* canonical;
    } known[] = {
        {"EUC-JP", "EUC-JP"}, {"GB18030", "GB18030"}, {"GB2312", "GB2312"}, {"GBK", "GBK"}, {"BIG5", "Big5"},
        {"EUC-KR", "EUC-KR"}, {"KOI8-R", "KOI8-R"}, {"KOI8-U", "KOI8-U"}, {"KOI8-T", "KOI8-T"},
        {"ISO-8859-15", "ISO-8859-15"}, {"ISO-8859-13", "ISO-8859-13"}, {"CP1251", "windows-1251"},
        {"CP1255", "windows-1255"}, {"TIS-620", "TIS-620"}, {"RK1048", "KZ-1048"}, {"PT154", "PTCP154"},
        {"CP874", "windows-874"}, {"CP932", "windows-31j"}, {"CP936", "GBK"}, {"CP949", "CP949"},
        {"CP950", "CP950"}, {"CP1250", "windows-1250"}, {"CP1258", "windows-1258"}, {"CP437", "IBM437"},
        {"CP850", "IBM850"}, {"CP866", "IBM866"}, {"CP54936", "GB18030"}, {"CP20932", "EUC-JP"},
        {"SJIS", "Shift_JIS"}, {"ibm-1047", "IBM1047"}, {"CP1047", "IBM1047"}, {"IBM1140", "IBM01140"},
    };
    for (const auto& entry : known) {
        EXPECT_STREQ(hx_uchar_encname(hx_uchar_getenc(entry.name)), entry.canonical) << entry.name;
    }
    EXPECT_GE(hx_uchar_enccount(), 100);
}

TEST(EncodingNames, UnknownNamesAreRefusedAndTheirIdHasNoName) {
    for (const char* name : {"", "UTF-6", "UTF-8 ", " UTF-8", "UTF-8x", "UT", "UTF-8-", "ISO-8859-1x", "\xC3\xA9",
                             "ISO-2022-JP-9", "HZ-GB-2312x", "ISO-8859-12", "1047"}) {
        EXPECT_EQ(hx_uchar_getenc(name), -1) << name;
    }
    EXPECT_EQ(hx_uchar_getenc(nullptr), -1);
    EXPECT_EQ(hx_uchar_encname(-1), nullptr);
    EXPECT_EQ(hx_uchar_encprop(-1), 0);
    EXPECT_EQ(hx_uchar_chsize_max(-1), 0);
    EXPECT_EQ(hx_uchar_xcsize_max(-1), 0);
}

TEST(EncodingNames, TheIdsFixedByByteOrderMarks) {
    EXPECT_STREQ(hx_uchar_encname(0), "UTF-8");
    EXPECT_STREQ(hx_uchar_encname(7), "UCS-2BE");
    EXPECT_STREQ(hx_uchar_encname(8), "UCS-2LE");
    EXPECT_STREQ(hx_uchar_encname(45), "UTF-16BE");
    EXPECT_STREQ(hx_uchar_encname(46), "UTF-16LE");
    for (int id : {0, 7, 8, 45, 46}) EXPECT_EQ(hx_uchar_encprop(id) & HX_PROP_NEL_NEWLINE, 0) << id;
}

}  // namespace
