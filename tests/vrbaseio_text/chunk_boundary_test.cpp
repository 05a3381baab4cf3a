// Every read operation must give the same results however the raw stream
// cuts the file into chunks, and with or without the ASCII fast paths, which
// copy lines or hand them out where they lie, with every kernel set.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>

#include "hx/hx_uchar.h"
#include "text_test_support.h"
#include "vrbaseio/VrbIO.h"

using namespace texttest;

namespace {

// The per-character reference, the fast paths copying every line, and the
// fast paths handing lines out in place where they can.
enum class Path { Reference, Copying, InPlace };

enum class Op { Line, LineLimited, Text, Bytes, BytesInLine, SkipLine, SkipBytes, Seek };
struct Step {
    Op op;
    int count;
};

std::string hex(const char* text, int length) {
    std::string out;
    char buf[4];
    for (int i = 0; i < length; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(text[i]));
        out += buf;
    }
    return out;
}

// Runs the program over and over until a whole round moves nothing, and
// writes down everything a caller can observe.
std::string transcript(const std::string& content, int encoding, int flags, const std::vector<int>& chunks,
                       Path path, const std::vector<Step>& program,
                       const vrb::ascii::Kernels& kernels = vrb::ascii::bestKernels()) {
    ScriptedFile file(content, 1, encoding, flags, chunks, 64);
    file->setFastPathsEnabled(path != Path::Reference);
    file->setLinesInPlaceEnabled(path == Path::InPlace);
    file->setKernels(kernels);
    std::ostringstream out;
    if (!file.opened()) return "open failed: " + file.error();
    out << "enc=" << file->encoding() << " tell=" << file->tell() << "\n";
    for (int round = 0; round < 2000; ++round) {
        std::int64_t before = file->tell();
        for (const Step& step : program) {
            char* text = nullptr;
            bool eol = false;
            int result = 0;
            switch (step.op) {
                case Op::Line: result = file->readLine(-1, &text, &eol); break;
                case Op::LineLimited: result = file->readLine(step.count, &text, &eol); break;
                case Op::Text: result = file->readText(step.count, &text); break;
                case Op::Bytes: result = file->readBytes(step.count, &text); break;
                case Op::BytesInLine: result = file->readBytesInLine(step.count, &text, &eol); break;
                case Op::SkipLine: result = file->skipText(step.count, &eol); break;
                case Op::SkipBytes: result = file->skipText(step.count, nullptr); break;
                case Op::Seek: result = file->seek(static_cast<int>(file->tell()) + step.count, 1) ? 1 : 0; break;
            }
            out << static_cast<int>(step.op) << ":" << result << " eol=" << eol;
            if (text) out << " text=" << hex(text, static_cast<int>(std::strlen(text)));
            if (result < 0) out << " error=" << file.error();
            out << " tell=" << file->tell() << "\n";
            if (result < 0) return out.str();
        }
        if (file->tell() == before) break;
    }
    return out.str();
}

std::u32string sampleText() {
    return U"ab\r\ncd\re\r\r\nf\n\ng\x0C"
           U"h\x85i\u2028j\u2029k\x0Bl\r"
           U"\u00e9\u20ac\U0001F600xyz\r\n"
           U"long line with ASCII only, long enough for runs\n"
           U"\u00e9a\u00e9b\U0001F600\U0001F600\r\r"
           U"tail";
}

const std::vector<std::vector<Step>>& programs() {
    static const std::vector<std::vector<Step>> all = {
        {{Op::Line, 0}},
        {{Op::LineLimited, 3}},
        {{Op::LineLimited, 0}, {Op::LineLimited, 5}},
        {{Op::Text, 5}},
        {{Op::Bytes, 3}, {Op::Bytes, -1}},
        {{Op::BytesInLine, 4}, {Op::BytesInLine, -1}},
        {{Op::SkipLine, 2}, {Op::Line, 0}},
        {{Op::SkipLine, -1}, {Op::Text, 7}},
        {{Op::SkipBytes, 3}, {Op::Line, 0}},
        {{Op::Seek, 5}, {Op::LineLimited, 6}},
        {{Op::Text, -1}},
    };
    return all;
}

struct Sample {
    const char* name;
    std::string bytes;
    int encoding;
    int flags;
};

// A stateful set's bytes for the text as one run from the initial state.
std::string encodeFromInitialState(const std::u32string& text, int encoding) {
    std::string bytes(4 * text.size() + 64, '\0');
    bytes.resize(static_cast<std::size_t>(
        hx_uchar_decode(encoding, utf8(text).c_str(), bytes.data(), static_cast<int>(bytes.size()))));
    return bytes;
}

std::vector<Sample> samples() {
    std::vector<Sample> out;
    const std::u32string text = sampleText();
    out.push_back({"utf8", encode(text, kUtf8), kUtf8, 0});
    out.push_back({"utf16le", encode(text, kUtf16LE), kUtf16LE, 0});
    out.push_back({"utf16be", encode(text, kUtf16BE), kUtf16BE, 0});
    out.push_back({"utf32le", encode(text, utf32LittleEndianId()), utf32LittleEndianId(), 0});
    out.push_back({"utf32be", encode(text, utf32BigEndianId()), utf32BigEndianId(), 0});
    // Malformed bytes in the middle and at the end of the file, and an
    // invalid byte followed by text, where a join must keep the text.
    out.push_back({"utf8-malformed",
                   "a\xFF" "b\xE2\x82" "c\xED\xA0\x80" "d\xC0\xAF\n\xF4\x90\x80\x80x\xFF" "A\r\n\xF0\x9F", kUtf8, 0});
    out.push_back({"utf16le-malformed", std::string("a\0\x00\xD8" "b\0\x00\xDC\n\0\x3D\xD8\x00\xDE" "c\0", 16) + "\x3D",
                   kUtf16LE, 0});
    out.push_back({"utf8-nul-as-fffd", std::string("ab\0cd\n\0", 7), kUtf8, static_cast<int>(VRB_TXT_NUL_AS_FFFD)});
    out.push_back({"utf8-nul-refused", std::string("ab\0cd\n", 6), kUtf8, 0});
    out.push_back({"bom-utf16le", "\xFF\xFE" + encode(text, kUtf16LE), kUtf8, static_cast<int>(VRB_TXT_DETECT_BOM)});
    out.push_back({"bom-utf8", "\xEF\xBB\xBF" + encode(text, kUtf8), kUtf16LE, static_cast<int>(VRB_TXT_DETECT_BOM)});
    // Table-driven sets: an EBCDIC and an ASCII-based single-byte set, and
    // every multi-byte set with text of its own script (what a set lacks
    // is written as "?").
    const std::u32string cjk = text + U"\u65e5\u672c\u8a9e\u30c6\u30ad\u30b9\u30c8\r\n\u4e2d\u6587\u5b57\u7b26\n"
                                      U"\ud55c\uad6d\uc5b4\x85\uff76\uff80\u3000\U00020000z\r";
    for (const char* name : {"IBM037", "KOI8-R", "Shift_JIS", "windows-31j", "EUC-JP", "GB2312", "GBK", "GB18030",
                             "Big5", "CP950", "EUC-KR", "CP949", "JOHAB"}) {
        const int id = hx_uchar_getenc(name);
        out.push_back({name, encode(cjk, id), id, 0});
    }
    // A stateful set: escapes cut at every boundary, a designation carried
    // over a line end, bad and unknown escapes, an escape after a CR.
    const int jis = hx_uchar_getenc("ISO-2022-JP");
    out.push_back({"ISO-2022-JP", encodeFromInitialState(cjk, jis), jis, 0});
    out.push_back({"iso-2022-jp-escapes",
                   "a\x1B$B$\"$$\n$\"\x1B(B\r\x1B$B%F\x1B(J\\~\r\n\x1B(Xb\x1B&@\x1B$B0!\x1B\x1Bxy"
                   "A\x1B$B$\n\x1B(B\x1B$",
                   jis, 0});
    const int hz = hx_uchar_getenc("HZ-GB-2312");
    out.push_back({"hz", "a~~b~{<Q~}\r\n~{<Q\n<Q~}c~\nd~x~{~}~{\x80\n~", hz, 0});
    const int utf7 = hx_uchar_getenc("UTF-7");
    out.push_back({"utf-7", "a+-b+AOk-c+AOkA6Q\r\n+2D3cAA-\n+ZeVnLIqe\r+AGF-x+AG\n+.+2D3-\xE9+AG", utf7, 0});
    // Double-byte EBCDIC: runs between SO and SI, and shifts, pairs and
    // bad trails cut at every boundary.
    const int ibm930 = hx_uchar_getenc("IBM930");
    out.push_back({"IBM930", encodeFromInitialState(cjk, ibm930), ibm930, 0});
    out.push_back({"ibm930-shifts",
                   "a\x0E\x44\x81\x15\x0F\x15\x0E\x41\x0F\xC1\x0E\x42\x30\x25\x0F\x25\x0E\x40\x0E\x15\x0F\x0D\x25"
                   "\x0E\x0E\x40\x40\x0F\x0F\x0D\x0E\x44",
                   ibm930, 0});
    // Codes that stand for two characters or for one beyond the BMP, cut
    // anywhere, next to malformed ones and a code the set replaces whole.
    for (const char* name : {"Big5-HKSCS", "EUC-JIS-2004", "Shift_JISX0213"}) {
        const int id = hx_uchar_getenc(name);
        out.push_back({name, encode(cjk, id), id, 0});
    }
    out.push_back({"big5-hkscs-pairs", "a\x88\x62\x88\x64\n\x88\xA3\x88\xA5\r\n\x87\x40\x88\x62\x88" "b\xFE\xFE\x88",
                   hx_uchar_getenc("Big5-HKSCS"), 0});
    out.push_back({"euc-jis-2004-pairs", "\xA4\xF7\xA4\xF7\n\x8F\xA1\xA1\x8F\xFE\xF6\r\n\xAE\xA2\x8F\xA1\x8E\xB1\xA4",
                   hx_uchar_getenc("EUC-JIS-2004"), 0});
    out.push_back({"shift_jisx0213-reserved", "\x82\xF5\x82\xF5\n\xF0\x40\xFC\xF4\r\n\xEF\xFA\x81",
                   hx_uchar_getenc("Shift_JISX0213"), 0});
    out.push_back({"shift_jis-malformed", "a\x81\n\x82\xA0\x81\r\n\xA0\x82", hx_uchar_getenc("Shift_JIS"), 0});
    out.push_back({"euc-jp-malformed", "\x8F\xB0\xA1\x8F\xB0\n\x8F\xA1\xA1\x8E", hx_uchar_getenc("EUC-JP"), 0});
    out.push_back({"gb18030-malformed", "\x81\x30\x81\x30\x81\x30\n\x84\x31\xA5\x30\xE3\x32\x9A\x35\x90\x30\x81",
                   hx_uchar_getenc("GB18030"), 0});
    return out;
}

class ChunkBoundaries : public ::testing::TestWithParam<int> {};

TEST_P(ChunkBoundaries, EveryCutGivesTheResultsOfOneChunk) {
    const Sample sample = samples()[static_cast<std::size_t>(GetParam())];
    SCOPED_TRACE(sample.name);
    const int size = static_cast<int>(sample.bytes.size());
    for (std::size_t p = 0; p < programs().size(); ++p) {
        SCOPED_TRACE("program " + std::to_string(p));
        const auto& program = programs()[p];
        const std::string reference =
            transcript(sample.bytes, sample.encoding, sample.flags, {}, Path::Reference, program);
        ASSERT_EQ(reference, transcript(sample.bytes, sample.encoding, sample.flags, {}, Path::Copying, program));
        ASSERT_EQ(reference, transcript(sample.bytes, sample.encoding, sample.flags, {}, Path::InPlace, program));
        for (int cut = 1; cut < size; ++cut) {
            for (Path path : {Path::Reference, Path::Copying, Path::InPlace}) {
                ASSERT_EQ(reference,
                          transcript(sample.bytes, sample.encoding, sample.flags, {cut, size}, path, program))
                    << "cut at " << cut << " on path " << static_cast<int>(path);
            }
        }
        for (int piece : {1, 2, 3, 5}) {
            ASSERT_EQ(reference, transcript(sample.bytes, sample.encoding, sample.flags, {piece}, Path::InPlace, program))
                << "pieces of " << piece;
        }
        std::mt19937 random(static_cast<unsigned>(p));
        for (int trial = 0; trial < 20; ++trial) {
            std::vector<int> chunks;
            for (int i = 0; i < 64; ++i) chunks.push_back(1 + static_cast<int>(random() % 9));
            ASSERT_EQ(reference,
                      transcript(sample.bytes, sample.encoding, sample.flags, chunks, static_cast<Path>(trial % 3), program))
                << "random trial " << trial;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Samples, ChunkBoundaries, ::testing::Range(0, static_cast<int>(samples().size())));

// Random texts, long enough to exercise the vector kernels, read with and
// without the fast paths, with each kernel set, over random chunkings.
TEST(FastPaths, AgreeWithTheReferenceOnRandomText) {
    std::mt19937 random(7);
    const char32_t alphabet[] = {U'a', U'Z', U' ', U'\n', U'\r', U'\x0C', U'\x0B', U'\x85', U'\u00e9',
                                 U'\u20ac', U'\U0001F600', U'\u2028', U'~', U'\x7F', U'\x01'};
    for (int trial = 0; trial < 40; ++trial) {
        std::u32string text;
        int length = 50 + static_cast<int>(random() % 400);
        for (int i = 0; i < length; ++i) {
            bool plain = random() % 10 < 8;
            text.push_back(plain ? static_cast<char32_t>(U'a' + random() % 26)
                                 : alphabet[random() % (sizeof alphabet / sizeof alphabet[0])]);
        }
        for (int encoding : {0, 45, 46, utf32LittleEndianId(), hx_uchar_getenc("Shift_JIS"), hx_uchar_getenc("GB18030")}) {
            std::string bytes = encode(text, encoding);
            std::vector<int> chunks;
            for (int i = 0; i < 32; ++i) chunks.push_back(1 + static_cast<int>(random() % 40));
            for (const auto& program : programs()) {
                const std::string reference = transcript(bytes, encoding, 0, {}, Path::Reference, program);
                for (const vrb::ascii::Kernels* kernels : vrb::ascii::allKernels()) {
                    if (!vrb::ascii::canRun(*kernels)) continue;
                    for (Path path : {Path::Copying, Path::InPlace}) {
                        ASSERT_EQ(reference, transcript(bytes, encoding, 0, chunks, path, program, *kernels))
                            << "trial " << trial << " encoding " << encoding << " kernels " << kernels->name
                            << " path " << static_cast<int>(path);
                    }
                }
            }
        }
    }
}

}  // namespace
