// Opening with encoding detection: the choice, the text that follows, the
// mark, and what the stream is asked for.
#include <gtest/gtest.h>

#include <string>

#include "hx/hx_uchar.h"
#include "ScriptedRawStream.h"
#include "text_test_support.h"
#include "vrbaseio_text/VrbIOTextWrapper.h"
#include "vrbaseio/VrbIO.h"

namespace {

using texttest::ScriptedFile;

std::string inEncoding(int id, const std::string& text) {
    std::string out(text.size() * 4 + 16, '\0');
    out.resize(static_cast<std::size_t>(hx_uchar_decode(id, text.c_str(), out.data(), static_cast<int>(out.size()))));
    return out;
}

std::string readAll(ScriptedFile& file) {
    std::string text;
    for (;;) {
        char* piece = nullptr;
        int length = file->readText(4096, &piece);
        if (length <= 0) return text;
        text.append(piece, static_cast<std::size_t>(length));
    }
}

constexpr int kDetect = static_cast<int>(VRB_TXT_DETECT_ENCODING);
const std::string kRussian =
    "Съешь же ещё этих мягких французских булок, да выпей чаю. Широкая электрификация южных губерний даст мощный "
    "толчок подъёму сельского хозяйства. В чащах юга жил бы цитрус? Да, но фальшивый экземпляр!\n";
const std::string kGerman = "Grüße aus Köln: Größe, Übermaß und Äpfel für die Straße, während Jürgen schläft.\n";

TEST(DetectingOpen, ChoosesTheEncodingAndReadsTheTextAfterAnyMark) {
    struct Case {
        const char* what;
        std::string bytes;
        int requested;
        int encoding;  // what encoding() reports
        std::string text;
        int tellBefore;
    } const cases[] = {
        {"UTF-16LE, no mark", inEncoding(HX_ENC_UTF16LE, kGerman), HX_ENC_UTF8, HX_ENC_UTF16LE, kGerman, 0},
        {"UTF-32LE mark", std::string("\xFF\xFE\0\0", 4) + inEncoding(HX_ENC_UTF32LE, kRussian), HX_ENC_UTF8,
         HX_ENC_UTF32LE, kRussian, 4},
        {"UTF-8 mark over a requested set", "\xEF\xBB\xBF" + kGerman, HX_ENC_ISO8859_1, HX_ENC_UTF8, kGerman, 3},
        {"UTF-8 without a mark", kRussian, HX_ENC_USASCII, HX_ENC_UTF8, kRussian, 0},
        {"windows-1252", inEncoding(HX_ENC_WINDOWS1252, kGerman), HX_ENC_UTF8, HX_ENC_WINDOWS1252, kGerman, 0},
        {"KOI8-R", inEncoding(hx_uchar_getenc("KOI8-R"), kRussian), HX_ENC_UTF8, hx_uchar_getenc("KOI8-R"), kRussian, 0},
        {"ASCII keeps the requested set", "plain\n", HX_ENC_ISO8859_1, HX_ENC_ISO8859_1, "plain\n", 0},
        {"ASCII under UTF-16 becomes UTF-8", "plain\n", HX_ENC_UTF16LE, HX_ENC_UTF8, "plain\n", 0},
        {"empty", "", HX_ENC_WINDOWS1252, HX_ENC_WINDOWS1252, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (std::vector<int> chunks : {std::vector<int>{}, std::vector<int>{7}}) {
            ScriptedFile file(c.bytes, VrbTxtFileRead, c.requested, kDetect, chunks);
            ASSERT_TRUE(file.opened()) << file.error();
            EXPECT_EQ(file->encoding(), c.encoding);
            EXPECT_EQ(file->tell(), c.tellBefore);
            EXPECT_EQ(readAll(file), c.text);
        }
    }
}

TEST(DetectingOpen, ReadsOneSampleAndNothingWithoutTheFlag) {
    std::string big;
    while (big.size() < 200000) big += kGerman;
    const std::string bytes = inEncoding(HX_ENC_WINDOWS1252, big);
    {
        ScriptedFile file(bytes, VrbTxtFileRead, HX_ENC_UTF8, kDetect, {10000});
        ASSERT_TRUE(file.opened());
        EXPECT_EQ(file.record()->readCalls, 1);
        EXPECT_EQ(file->encoding(), HX_ENC_WINDOWS1252);
        EXPECT_EQ(readAll(file), big);
    }
    {
        ScriptedFile file(bytes, VrbTxtFileRead, HX_ENC_UTF8, 0, {10000});
        ASSERT_TRUE(file.opened());
        EXPECT_EQ(file.record()->readCalls, 0);
        EXPECT_EQ(file->encoding(), HX_ENC_UTF8);
    }
    // Writing ignores the flag.
    ScriptedFile writer("", VrbTxtFileWrite, HX_ENC_UTF8, kDetect);
    ASSERT_TRUE(writer.opened());
    EXPECT_EQ(writer.record()->readCalls, 0);
}

TEST(DetectingOpen, AFailingSampleReadFailsTheOpen) {
    ScriptedRawStream* raw = ScriptedRawStream::create(kGerman);
    raw->record()->failReadAt = 0;
    VrbIOTextWrapper* file = new VrbIOTextWrapper(nullptr, raw, VrbTxtFileRead, HX_ENC_UTF8, kDetect);
    EXPECT_FALSE(file->open());
    EXPECT_NE(std::string(file->errorText().asCstr()).find("scripted read failure"), std::string::npos);
    file->destroy();
}

}  // namespace
