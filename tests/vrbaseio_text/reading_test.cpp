// Reading, skipping and seeking on small texts with known answers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/test_support.h"
#include "text_test_support.h"
#include "vrbaseio/VrbIO.h"

using namespace texttest;

namespace {

struct Line {
    int result;
    std::string text;
    bool eol;
};

Line readLine(ScriptedFile& file, int count = -1) {
    char* text = nullptr;
    bool eol = false;
    int result = file->readLine(count, &text, &eol);
    return {result, result >= 0 ? std::string(text) : std::string(), eol};
}

TEST(Reading, EmptyFile) {
    ScriptedFile file("", 1, 0, 0);
    ASSERT_TRUE(file.opened());
    Line line = readLine(file);
    EXPECT_EQ(0, line.result);
    EXPECT_EQ("", line.text);
    EXPECT_FALSE(line.eol);
    char* text = nullptr;
    EXPECT_EQ(0, file->readBytes(10, &text));
}

TEST(Reading, LastLineWithoutLineEndThenEndOfFile) {
    ScriptedFile file("abc", 1, 0, 0);
    Line line = readLine(file);
    EXPECT_EQ(3, line.result);
    EXPECT_EQ("abc", line.text);
    EXPECT_TRUE(line.eol);
    line = readLine(file);
    EXPECT_EQ(0, line.result);
    EXPECT_FALSE(line.eol);
}

TEST(Reading, CarriageReturnLineEnds) {
    {
        ScriptedFile file("a\r\nb", 1, 0, 0);
        Line line = readLine(file);
        EXPECT_EQ("a", line.text);
        EXPECT_TRUE(line.eol);
        EXPECT_EQ(3, file->tell());
        EXPECT_EQ("b", readLine(file).text);
    }
    {
        ScriptedFile file("a\rb", 1, 0, 0);
        EXPECT_EQ("a", readLine(file).text);
        EXPECT_EQ(2, file->tell());
        EXPECT_EQ("b", readLine(file).text);
    }
    for (const char* content : {"a\r\r\nb", "a\r\rb"}) {
        ScriptedFile file(content, 1, 0, 0);
        EXPECT_EQ("a", readLine(file).text) << content;
        EXPECT_EQ("b", readLine(file).text) << content;
        EXPECT_EQ(0, readLine(file).result) << content;
    }
}

TEST(Reading, EmptyLineReportsItsLineEnd) {
    ScriptedFile file("a\n\nb", 1, 0, 0);
    EXPECT_EQ("a", readLine(file).text);
    Line empty = readLine(file);
    EXPECT_EQ(0, empty.result);
    EXPECT_TRUE(empty.eol);
    EXPECT_EQ("b", readLine(file).text);
}

TEST(Reading, SixLineEndsButNotVerticalTab) {
    ScriptedFile file(utf8(U"1\x0C" U"2\x85" U"3\u2028" U"4\u2029" U"5\x0B" U"6\n"), 1, 0, 0);
    for (const char* expected : {"1", "2", "3", "4", "5\x0B" "6"}) EXPECT_EQ(expected, readLine(file).text);
}

TEST(Reading, CarriageReturnAtTheEndOfAChunkJoinsTheNextLineFeed) {
    ScriptedFile file("ab\r\ncd", 1, 0, 0, {3, 10});
    EXPECT_EQ("ab", readLine(file).text);
    EXPECT_EQ(4, file->tell());
    EXPECT_EQ("cd", readLine(file).text);
}

TEST(Reading, LimitedLinesComeInPieces) {
    ScriptedFile file("abcdef\n", 1, 0, 0);
    Line first = readLine(file, 3);
    EXPECT_EQ("abc", first.text);
    EXPECT_FALSE(first.eol);
    Line second = readLine(file, 3);
    EXPECT_EQ("def", second.text);
    EXPECT_TRUE(second.eol);

    ScriptedFile exact("abc\nx", 1, 0, 0);
    Line fits = readLine(exact, 3);
    EXPECT_EQ("abc", fits.text);
    EXPECT_TRUE(fits.eol);
    EXPECT_EQ(4, exact->tell());
}

TEST(Reading, ByteCountsStopAtWholeCharacters) {
    ScriptedFile file(utf8(U"ab\u00e9"), 1, 0, 0);
    char* text = nullptr;
    EXPECT_EQ(2, file->readBytes(3, &text));
    EXPECT_STREQ("ab", text);
    EXPECT_EQ(2, file->readBytes(-1, &text));
    EXPECT_STREQ("\u00e9", text);

    ScriptedFile inLine("ab\ncd", 1, 0, 0);
    bool eol = false;
    EXPECT_EQ(3, inLine->readBytesInLine(5, &text, &eol));
    EXPECT_STREQ("ab", text);
    EXPECT_TRUE(eol);
}

TEST(Reading, TextKeepsLineEnds) {
    ScriptedFile file("a\r\nb\nc", 1, 0, 0);
    char* text = nullptr;
    EXPECT_EQ(6, file->readText(-1, &text));
    EXPECT_STREQ("a\r\nb\nc", text);
}

TEST(Reading, SplitCharacterIsDeliveredOnceAndWhole) {
    std::string bytes = utf8(U"x\U0001F600y");
    ScriptedFile file(bytes, 1, 0, 0, {2, 1, 1, 10});
    char* text = nullptr;
    EXPECT_EQ(6, file->readText(-1, &text));
    EXPECT_EQ(utf8(U"x\U0001F600y"), text);
    EXPECT_EQ(6, file->tell());
}

TEST(Reading, FileEndingInsideACharacterGivesOneReplacement) {
    ScriptedFile file("ab\xE2\x82", 1, 0, 0);
    Line line = readLine(file);
    EXPECT_EQ("ab\xEF\xBF\xBD", line.text);
    EXPECT_TRUE(line.eol);
    EXPECT_EQ(4, file->tell());
    EXPECT_EQ(0, readLine(file).result);
}

TEST(Reading, MalformedBytesAlwaysBecomeReplacements) {
    for (int flags : {0, static_cast<int>(VRB_TXT_NUL_AS_FFFD)}) {
        ScriptedFile file("a\xFF" "b", 1, 0, flags);
        EXPECT_EQ("a\xEF\xBF\xBD" "b", readLine(file).text);
    }
}

// The text before U+0000 is handed out; the next read meets U+0000 first
// and fails, consuming nothing, however often it is asked.
TEST(Reading, CodePointZeroFailsUnlessAskedToReplace) {
    ScriptedFile refused(std::string("a\0b", 3), 1, 0, 0);
    Line line = readLine(refused);
    EXPECT_EQ(1, line.result);
    EXPECT_EQ("a", line.text);
    EXPECT_FALSE(line.eol);
    EXPECT_EQ(1, refused->tell());
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(-1, readLine(refused).result);
        EXPECT_EQ("scripted: byte 1 (line 1): the text holds the character U+0000 (code point 0), which it must not "
                  "contain",
                  refused.error());
        EXPECT_EQ(1, refused->tell());
    }

    ScriptedFile replaced(std::string("a\0b", 3), 1, 0, static_cast<int>(VRB_TXT_NUL_AS_FFFD));
    EXPECT_EQ("a\xEF\xBF\xBD" "b", readLine(replaced).text);
}

TEST(Reading, InvalidByteBeforeTextAtTheEndOfAChunkKeepsTheText) {
    // The chunk ends with an invalid byte and a letter; the letter must be
    // read once, in order.
    for (int cut = 1; cut <= 6; ++cut) {
        ScriptedFile file("xy\xF0" "A\xC3\xA9z", 1, 0, 0, {cut, 100});
        char* text = nullptr;
        ASSERT_EQ(9, file->readText(-1, &text)) << "cut " << cut;
        EXPECT_EQ("xy\xEF\xBF\xBD" "A\xC3\xA9z", std::string(text)) << "cut " << cut;
    }
}

TEST(Skipping, RestOfLineAndCounts) {
    ScriptedFile file("abc\r\nxyz", 1, 0, 0);
    bool eol = false;
    EXPECT_EQ(3, file->skipText(-1, &eol));
    EXPECT_TRUE(eol);
    EXPECT_EQ("xyz", readLine(file).text);

    ScriptedFile wide(utf8(U"a\u00e9b"), 1, 0, 0);
    EXPECT_EQ(3, wide->skipText(2, &eol));
    EXPECT_FALSE(eol);
}

TEST(Skipping, BytesInsideAndBeyondTheChunk) {
    for (std::vector<int> chunks : {std::vector<int>{}, std::vector<int>{4, 100}}) {
        ScriptedFile file("0123456789abcdef", 1, 0, 0, chunks);
        char* text = nullptr;
        ASSERT_EQ(1, file->readBytes(1, &text));
        EXPECT_EQ(10, file->skipText(10, nullptr));
        EXPECT_EQ(11, file->tell());
        EXPECT_EQ("bcdef", readLine(file).text);
    }
    ScriptedFile file("abc", 1, 0, 0);
    EXPECT_EQ(-1, file->skipText(-2, nullptr));
}

TEST(Seeking, ForwardOnlyAndInReadModeOnly) {
    ScriptedFile file("0123456789", 1, 0, 0);
    EXPECT_TRUE(file->seek(0, 100));
    EXPECT_EQ(0, file->tell());
    EXPECT_TRUE(file->seek(2, 3));
    EXPECT_EQ(6, file->tell());
    EXPECT_FALSE(file->seek(1, 1));
    EXPECT_EQ(message(336), file.error());
    EXPECT_FALSE(file->seek(-1, 1));

    ScriptedFile writing("", 2, 0, 0);
    EXPECT_FALSE(writing->seek(0, 1));
}

TEST(Seeking, CountsAfterTheByteOrderMark) {
    for (std::vector<int> chunks : {std::vector<int>{}, std::vector<int>{5, 100}}) {
        ScriptedFile file("\xEF\xBB\xBF" "0123456789abc", 1, 46, static_cast<int>(VRB_TXT_DETECT_BOM), chunks);
        ASSERT_EQ(0, file->encoding());
        EXPECT_EQ(3, file->tell());
        EXPECT_TRUE(file->seek(1, 10));
        EXPECT_EQ(13, file->tell());
        EXPECT_EQ("abc", readLine(file).text);
    }
}

TEST(Seeking, TargetsBeyondTwoGigabytesDoNotOverflow) {
    ScriptedFile file("abc", 1, 0, 0);
    EXPECT_TRUE(file->seek(65536, 65536));   // 4 GiB: past the end is the raw stream's matter
    EXPECT_EQ(std::int64_t{1} << 32, file->tell());
}

TEST(Reading, FirstReadWithNoRoomGivesAnEmptyText) {
    ScriptedFile file("abc", 1, 0, 0);
    char* text = nullptr;
    bool eol = true;
    EXPECT_EQ(0, file->readLine(0, &text, &eol));
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ("", text);
    EXPECT_FALSE(eol);
}

TEST(Reading, ReadsOnAWritingFileAreRefused) {
    for (int mode : {0, 2}) {
        ScriptedFile file("", mode, 0, 0);
        ASSERT_TRUE(file->write("abc", 3));
        char* text = nullptr;
        bool eol = false;
        EXPECT_EQ(-1, file->readLine(-1, &text, &eol));
        EXPECT_EQ(-1, file->skipText(1, nullptr));
        EXPECT_EQ(message(336), file.error());
        ASSERT_TRUE(file->close());
        EXPECT_EQ("abc", file.record()->written);   // nothing buffered was lost
    }
}

TEST(Reading, FailedRawReadIsReportedAndTheNextReadStartsAfresh) {
    ScriptedFile file("abc\ndef\n", 1, 0, 0, {4, 100});
    file.record()->failReadAt = 1;
    EXPECT_EQ("abc", readLine(file).text);
    Line failed = readLine(file);
    EXPECT_EQ(-1, failed.result);
    EXPECT_EQ("scripted read failure", file.error());
    EXPECT_EQ("def", readLine(file).text);
}

TEST(Reading, LongLinesGrowTheBufferGeometrically) {
    std::string line(8 << 20, 'x');
    ScriptedFile file(line + "\n", 1, 0, 0, {65536});
    file->setFastPathsEnabled(false);
    vrbtest::AllocationCounter allocations;
    Line read = readLine(file);
    // Beyond the scripted stream's own two allocations per chunk.
    EXPECT_LT(allocations.count() - 2u * static_cast<std::uint64_t>(file.record()->readCalls), 40u);
    EXPECT_EQ(static_cast<int>(line.size()), read.result);
    EXPECT_EQ(line, read.text);
}

}  // namespace
