// Stateful encodings in the text layer: escapes carried across reads,
// lines written to stand alone, and seeks that restore the decoder's state.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "hx/hx_uchar.h"
#include "text_test_support.h"

using namespace texttest;

namespace {

constexpr int kRead = 1, kWrite = 2;

int iso2022jp() { return hx_uchar_getenc("ISO-2022-JP"); }

// Lines as a reader from the start sees them, with the position each starts at.
struct Line {
    std::int64_t start;
    std::string text;
};

std::vector<Line> readLines(const std::string& bytes, int encoding, std::vector<int> chunks = {}) {
    ScriptedFile file(bytes, kRead, encoding, 0, std::move(chunks), 64);
    std::vector<Line> lines;
    EXPECT_TRUE(file.opened());
    for (;;) {
        const std::int64_t start = file->tell();
        char* text = nullptr;
        bool eol = false;
        const int length = file->readLine(-1, &text, &eol);
        if (length < 0 || (length == 0 && !eol)) break;
        lines.push_back({start, std::string(text, static_cast<std::size_t>(length))});
    }
    return lines;
}

TEST(StatefulWriting, LinesAndFieldsEndInTheInitialState) {
    ScriptedFile file("", kWrite, iso2022jp(), 0);
    ASSERT_TRUE(file.opened());
    ASSERT_TRUE(file->writeln("\xE3\x81\x82\xC2\xA5" "a", 6));          // あ¥a
    ASSERT_TRUE(file->write("\xE3\x81\x82", 3, 10));                     // escape, あ, return, two pads
    ASSERT_TRUE(file->write("\xE3\x81\x82", 3, 7));                      // あ with its return needs 8
    ASSERT_TRUE(file->writeln("", 0));
    ASSERT_TRUE(file->write("\xE3\x81\x82\xF0\x9F\x98\x80", 7));         // no set has U+1F600: "?"
    EXPECT_EQ(43, file->tell());
    ASSERT_TRUE(file->close());
    EXPECT_EQ("\x1B$B$\"\x1B(J\\\x1B(Ba\r\n"
              "\x1B$B$\"\x1B(B  "
              "       \r\n"
              "\x1B$B$\"\x1B(B?",
              file.record()->written);
}

TEST(StatefulWriting, EachLineDesignatesWhatItUses) {
    // A line may be read alone, so the G1 designation of ISO-2022-KR is
    // written again on every line that shifts to it.
    ScriptedFile file("", kWrite, hx_uchar_getenc("ISO-2022-KR"), static_cast<int>(VRB_TXT_NEWLINE_LF));
    ASSERT_TRUE(file->writeln("\xED\x95\x9C", 3));   // 한
    ASSERT_TRUE(file->writeln("a\xED\x95\x9C", 4));
    ASSERT_TRUE(file->close());
    EXPECT_EQ("\x1B$)C\x0EGQ\x0F\n" "a\x1B$)C\x0EGQ\x0F\n", file.record()->written);
}

TEST(StatefulWriting, Utf7EndsItsRunsAtLineEndsAndTheEnd) {
    ScriptedFile file("", kWrite, hx_uchar_getenc("UTF-7"), static_cast<int>(VRB_TXT_NEWLINE_LF));
    ASSERT_TRUE(file->writeln("\xC3\xA9", 2));       // é: the run ends before the line end
    ASSERT_TRUE(file->write("a+\xC3\xA9" "b", 5));  // "b" is base64: "-" ends the run
    ASSERT_TRUE(file->write("\xC3\xA9", 2));
    ASSERT_TRUE(file->close());
    EXPECT_EQ("+AOk\na+-+AOk-b+AOk-", file.record()->written);
}

TEST(StatefulReading, Utf7RunCutByTheEndIsOneReplacement) {
    const int utf7 = hx_uchar_getenc("UTF-7");
    for (int piece : {1, 2, 64}) {
        const std::vector<Line> lines = readLines("+AOk-\n+AGF", utf7, {piece});
        ASSERT_EQ(2u, lines.size());
        EXPECT_EQ("\xC3\xA9", lines[0].text);
        EXPECT_EQ("a\xEF\xBF\xBD", lines[1].text) << piece;
    }
}

TEST(StatefulReading, EscapesAreNoTextAndStateOutlivesALineEnd) {
    // JIS X 0208 stays designated past the LF, as the reference decoder
    // keeps it; a bad escape is one U+FFFD and reading resumes.
    const std::string bytes = "a\x1B$B$\"\n$$\x1B(B\r\n\x1B(Xb\x1B(J\\~\n";
    const std::vector<Line> lines = readLines(bytes, iso2022jp());
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("a\xE3\x81\x82", lines[0].text);
    EXPECT_EQ("\xE3\x81\x84", lines[1].text);
    EXPECT_EQ("\xEF\xBF\xBD" "b\xC2\xA5\xE2\x80\xBE", lines[2].text);
    for (int piece : {1, 2, 3}) {
        const std::vector<Line> cut = readLines(bytes, iso2022jp(), {piece});
        ASSERT_EQ(lines.size(), cut.size());
        for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].text, cut[i].text) << piece;
    }
}

// A file whose lines start in every state the writer of another program
// may leave: a designation carried over the line end included.
std::string randomIso2022JpFile(std::mt19937& random) {
    const char* pieces[] = {"ab", "\x1B$B$\"$$", "\x1B(J\\x", "\x1B(B", "\x1B$@%F", "\x1B&@\x1B$B0!", "?", " "};
    std::string out;
    for (int line = 0; line < 200; ++line) {
        const int count = static_cast<int>(random() % 5);
        for (int i = 0; i < count; ++i) out += pieces[random() % (sizeof pieces / sizeof pieces[0])];
        out += random() % 2 ? "\r\n" : "\n";
    }
    return out;
}

// Double-byte EBCDIC whose line ends may fall inside a run (where they are
// no line ends), with bad pairs and shifts left open.
std::string randomIbm939File(std::mt19937& random) {
    const char* pieces[] = {"\xC1\x81", "\x0E\x44\x81\x45\x41\x0F", "\x0E\x44\x81", "\x0F", "\x0E\x41",
                            "\x0E\x40\x40\x0F\x6F", "\x0E\x42\x30\x0F", "\x40"};
    const char* ends[] = {"\x15", "\x25", "\x0D\x25"};
    std::string out;
    for (int line = 0; line < 200; ++line) {
        const int count = static_cast<int>(random() % 5);
        for (int i = 0; i < count; ++i) out += pieces[random() % (sizeof pieces / sizeof pieces[0])];
        out += ends[random() % 3];
    }
    return out;
}

TEST(StatefulSeeking, ATellPositionReadsAsTheReaderFromTheStartDid) {
    std::mt19937 random(22);
    struct Sample {
        int encoding;
        std::string bytes;
    };
    std::vector<Sample> samples = {{iso2022jp(), randomIso2022JpFile(random)},
                                   {hx_uchar_getenc("IBM939"), randomIbm939File(random)}};
    for (const Sample& sample : samples) {
        const std::vector<Line> lines = readLines(sample.bytes, sample.encoding);
        ASSERT_GT(lines.size(), 100u);
        for (int trial = 0; trial < 60; ++trial) {
            const Line& line = lines[random() % lines.size()];
            ScriptedFile file(sample.bytes, kRead, sample.encoding, 0, {1 + static_cast<int>(random() % 50)}, 64);
            ASSERT_TRUE(file->seek(static_cast<int>(line.start), 1));
            EXPECT_EQ(line.start, file->tell());
            char* text = nullptr;
            bool eol = false;
            const int length = file->readLine(-1, &text, &eol);
            ASSERT_GE(length, 0);
            EXPECT_EQ(line.text, std::string(text, static_cast<std::size_t>(length))) << "line at " << line.start;
        }
        // Forward through several positions in one opening.
        ScriptedFile file(sample.bytes, kRead, sample.encoding, 0, {7}, 64);
        for (std::size_t i = 3; i < lines.size(); i += 17) {
            ASSERT_TRUE(file->seek(static_cast<int>(lines[i].start), 1));
            char* text = nullptr;
            bool eol = false;
            const int length = file->readLine(-1, &text, &eol);
            EXPECT_EQ(lines[i].text, std::string(text, static_cast<std::size_t>(length)));
        }
    }
}

TEST(StatefulSeeking, APositionInsideACharacterStartsInTheInitialState) {
    // Byte 5 is the second byte of the first kanji: from there "\"$$" reads as ASCII.
    ScriptedFile file("\x1B$B$\"$$\x1B(B\n", kRead, iso2022jp(), 0);
    ASSERT_TRUE(file->seek(4, 1));
    char* text = nullptr;
    bool eol = false;
    const int length = file->readLine(-1, &text, &eol);
    EXPECT_EQ("\"$$", std::string(text, static_cast<std::size_t>(length)));
}

}  // namespace
