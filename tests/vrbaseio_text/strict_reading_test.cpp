// Strict reading: each kind of malformed sequence stops the reading where it
// lies, whatever the chunks and whichever path (bulk or per character) meets
// it, and the message places it.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "hx/hx_uchar.h"
#include "strict_faults.h"
#include "text_test_support.h"
#include "vrbaseio_text/LineCounter.h"

using namespace texttest;

namespace {

struct Reading {
    std::vector<std::string> pieces;   // what the reads handed out, then "<error: ...>"
    long long tellAfter = -1;          // the position after a second failed read
};

Reading readAll(ScriptedFile& file, bool byLine) {
    Reading r;
    char* text = nullptr;
    bool eol = false;
    int n;
    // Reads of five bytes split CR LF and multi-byte characters over reads
    // and hold one UTF-32 character.
    while ((n = byLine ? file->readLine(-1, &text, &eol) : file->readText(5, &text)) > 0 || eol) {
        r.pieces.emplace_back(text, static_cast<std::size_t>(n));
        eol = false;
    }
    if (n < 0) {
        r.pieces.push_back("<error: " + file.error() + ">");
        r.tellAfter = file->readText(-1, &text) < 0 ? file->tell() : -2;
    }
    return r;
}

std::string joined(const std::vector<std::string>& pieces) {
    std::string all;
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) all += pieces[i];
    return all;
}

TEST(StrictReading, EveryMalformedSequenceIsPlacedAndStopsTheReading) {
    for (const strictfaults::Fault& fault : strictfaults::faults()) {
        const int encoding = hx_uchar_getenc(fault.encoding);
        ASSERT_GE(encoding, 0) << fault.encoding;
        const std::string error = "<error: scripted" + strictfaults::messageTail(fault) + ">";
        std::vector<std::string> lines = fault.prefix->lines;
        lines.push_back(error);
        for (const std::vector<int>& chunks : {std::vector<int>{}, std::vector<int>{1}}) {
            for (bool fast : {true, false}) {
                SCOPED_TRACE(std::string(fault.what) + (chunks.empty() ? ", one chunk" : ", one-byte chunks") +
                             (fast ? ", fast paths" : ", per character"));
                const int flags = static_cast<int>(VRB_TXT_STRICT | fault.flags);
                ScriptedFile byLine(strictfaults::fileBytes(fault), 1, encoding, flags, chunks);
                ScriptedFile inPieces(strictfaults::fileBytes(fault), 1, encoding, flags, chunks);
                ASSERT_TRUE(byLine.opened() && inPieces.opened());
                byLine->setFastPathsEnabled(fast);
                inPieces->setFastPathsEnabled(fast);
                const Reading lineByLine = readAll(byLine, true);
                EXPECT_EQ(lines, lineByLine.pieces);
                EXPECT_EQ(fault.offset, lineByLine.tellAfter);
                const Reading text = readAll(inPieces, false);
                EXPECT_EQ(fault.prefix->text, joined(text.pieces));
                EXPECT_EQ(error, text.pieces.back());
                EXPECT_EQ(fault.offset, text.tellAfter);
            }
        }
    }
}

// U+0000 is refused with or without strictness, and placed the same way; a
// skip of bytes leaves the line unknown.
TEST(StrictReading, CodePointZeroIsPlacedAndASkipLosesTheLine) {
    ScriptedFile file(std::string("ab\r\ncd\x85\0", 8), 1, hx_uchar_getenc("ISO-8859-1"), 0);
    char* text = nullptr;
    bool eol = false;
    EXPECT_EQ(2, file->readLine(-1, &text, &eol));
    EXPECT_EQ(2, file->readLine(-1, &text, &eol));
    EXPECT_EQ(-1, file->readLine(-1, &text, &eol));
    EXPECT_EQ("scripted: byte 7 (line 3): the text holds the character U+0000 (code point 0), which it must not "
              "contain",
              file.error());

    ScriptedFile skipped("abc\n\xFF", 1, 0, static_cast<int>(VRB_TXT_STRICT));
    EXPECT_EQ(2, skipped->skipText(2, nullptr));
    EXPECT_EQ(2, skipped->readText(-1, &text));
    EXPECT_EQ(-1, skipped->readText(-1, &text));
    EXPECT_EQ("scripted: byte 4 (line unknown): malformed UTF-8 sequence FF", skipped.error());
}

// The bulk count of handed-out text (16-byte blocks, and byte by byte
// around NEL, LS and PS) agrees with stepping character by character,
// however the text is split between reads.
TEST(LineCounter, TextCountsAsItsCharactersDo) {
    const std::vector<std::pair<int, std::string>> alphabet = {
        {'a', "a"},       {'\t', "\t"},       {0x0D, "\r"},   {0x0A, "\n"},           {0x0C, "\f"},
        {0x85, "\xC2\x85"}, {0xA0, "\xC2\xA0"}, {0x2028, "\xE2\x80\xA8"}, {0x2029, "\xE2\x80\xA9"},
        {0x20AC, "\xE2\x82\xAC"}, {0xE9, "\xC3\xA9"}};
    std::mt19937 random(5);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        vrb::text::LineCounter stepped;
        for (int n = static_cast<int>(random() % 1000); n > 0; --n) {
            // Mostly letters, CR and LF, so that blocks of plain bytes and
            // blocks ending in CR occur; now and then anything.
            const std::size_t pick = random() % 16;
            const std::size_t index = pick < 10 ? 0 : pick < 12 ? 2 : pick < 15 ? 3 : random() % alphabet.size();
            const auto& [code, bytes] = alphabet[index];
            text += bytes;
            stepped.character(code);
        }
        vrb::text::LineCounter counted;
        for (std::size_t at = 0; at < text.size();) {
            // Split between characters only, as reads hand out whole ones.
            std::size_t next = std::min(text.size(), at + 1 + random() % 200);
            while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
            counted.countText(text.data() + at, static_cast<int>(next - at));
            at = next;
        }
        ASSERT_EQ(stepped.line(), counted.line()) << ::testing::PrintToString(text);
    }
}

}  // namespace
