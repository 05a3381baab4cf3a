// Opening (byte-order marks, encodings, newline and pad), writing and closing.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "text_test_support.h"
#include "hx/hx_uchar.h"
#include "vrbaseio/VrbIO.h"

using namespace texttest;

namespace {

constexpr int kRead = 1, kWrite = 2, kAppend = 0;
constexpr int kDetect = static_cast<int>(VRB_TXT_DETECT_BOM);
constexpr int kWriteBom = static_cast<int>(VRB_TXT_WRITE_BOM);

std::string written(ScriptedFile& file) {
    EXPECT_TRUE(file->close());
    return file.record()->written;
}

TEST(Opening, ByteOrderMarkDetection) {
    struct Case {
        std::string bytes;
        int requested;
        int encoding;
        int tell;
    };
    const Case cases[] = {
        {"", 46, 46, 0},
        {"\xEF", 46, 46, 0},
        {"\xEF\xBB", 0, 0, 0},
        {"\xEF\xBB\xBF" "abc", 46, 0, 3},
        {"\xFF\xFE", 0, 46, 2},
        {"\xFE\xFF", 0, 45, 2},
        {std::string("\xFF\xFE\0\0", 4), 0, 46, 2},
    };
    for (const Case& c : cases) {
        ScriptedFile file(c.bytes, kRead, c.requested, kDetect);
        ASSERT_TRUE(file.opened()) << file.error();
        EXPECT_EQ(c.encoding, file->encoding());
        EXPECT_EQ(c.tell, file->tell());
    }
    ScriptedFile onlyMark("\xFF\xFE", kRead, 0, kDetect);
    char* text = nullptr;
    bool eol = true;
    EXPECT_EQ(0, onlyMark->readLine(-1, &text, &eol));
    EXPECT_FALSE(eol);

    ScriptedFile zeros(std::string("\xFF\xFE\0\0", 4), kRead, 0, kDetect | static_cast<int>(VRB_TXT_NUL_AS_FFFD));
    EXPECT_EQ(3, zeros->readText(-1, &text));   // the two zero bytes are one U+0000
}

TEST(Opening, NoDetectionReadsNothingAtOpen) {
    ScriptedFile file("\xFF\xFE" "a", kRead, 0, 0);
    EXPECT_EQ(0, file.record()->readCalls);
    EXPECT_EQ(0, file->encoding());
}

TEST(Opening, Failures) {
    ScriptedFile unknown("abc", kRead, 9999, 0);
    EXPECT_FALSE(unknown.opened());
    EXPECT_NE(std::string::npos, unknown.error().find("9999"));

    ScriptedFile marked("\xFF\xFE" "a\0", kRead, 9999, kDetect);
    EXPECT_TRUE(marked.opened()) << "a detected mark replaces an unknown request";

    auto* noRaw = new VrbIOTextWrapper(nullptr, nullptr, kRead, 0, 0);
    EXPECT_FALSE(noRaw->open());
    EXPECT_NE(std::string::npos, std::string(noRaw->errorText().asCstr()).find("RawIO"));
    noRaw->destroy();

    auto* raw = ScriptedRawStream::create("abc");
    raw->record()->failOpen = true;
    auto* failing = new VrbIOTextWrapper(nullptr, raw, kRead, 0, 0);
    EXPECT_FALSE(failing->open());
    EXPECT_STREQ("scripted open failure", failing->errorText().asCstr());
    failing->destroy();

    // The stream's own choice is refused before the stream opens, which
    // would truncate or create the file.
    for (int mode : {kAppend, kWrite}) {
        auto* unknownDefault = ScriptedRawStream::create("abc");
        unknownDefault->record()->openEncoding = 9999;
        auto* refused = new VrbIOTextWrapper(nullptr, unknownDefault, mode, -1, 0);
        EXPECT_FALSE(refused->open());
        EXPECT_NE(std::string::npos, std::string(refused->errorText().asCstr()).find("9999"));
        EXPECT_EQ(-1, unknownDefault->record()->lastOpenMode) << "the stream was opened";
        refused->destroy();
    }

    ScriptedFile badRead("abc", kRead, 0, kDetect, {}, 4096);
    (void)badRead;
}

TEST(Opening, MarkReadFailureNamesThePath) {
    auto* raw = ScriptedRawStream::create("abc");
    raw->record()->failReadAt = 0;
    auto* file = new VrbIOTextWrapper(nullptr, raw, kRead, 0, kDetect);
    EXPECT_FALSE(file->open());
    std::string error = file->errorText().asCstr();
    EXPECT_NE(std::string::npos, error.find("scripted")) << error;
    file->destroy();
}

TEST(Newlines, HighestBitWinsAndEncodingDefault) {
    struct Case {
        unsigned flags;
        std::string newline;
    };
    const Case cases[] = {
        {0, "\r\n"},
        {VRB_TXT_NEWLINE_CR | VRB_TXT_NEWLINE_CRLF, "\r"},
        {VRB_TXT_NEWLINE_LF | VRB_TXT_NEWLINE_NEL, "\n"},
        {VRB_TXT_NEWLINE_CRLF, "\r\n"},
        {VRB_TXT_NEWLINE_NEL, "\xC2\x85"},
    };
    for (const Case& c : cases) {
        ScriptedFile file("", kWrite, 0, static_cast<int>(c.flags));
        ASSERT_TRUE(file->writeln("ab", 2));
        EXPECT_EQ("ab" + c.newline, written(file));
    }
    ScriptedFile wide("", kWrite, 46, static_cast<int>(VRB_TXT_NEWLINE_LF));
    ASSERT_TRUE(wide->writeln("a", 1));
    EXPECT_EQ(std::string("a\0\n\0", 4), written(wide));
}

TEST(Newlines, NextLineWrittenInUtf8ReadsBackAsALineEnd) {
    ScriptedFile out("", kWrite, 0, static_cast<int>(VRB_TXT_NEWLINE_NEL));
    ASSERT_TRUE(out->writeln("a", 1));
    ASSERT_TRUE(out->writeln("b", 1));
    ScriptedFile in(written(out), kRead, 0, 0);
    char* text = nullptr;
    bool eol = false;
    EXPECT_EQ(1, in->readLine(-1, &text, &eol));
    EXPECT_STREQ("a", text);
    EXPECT_TRUE(eol);
}

// Every set's default or requested newline reads back as one line end:
// EBCDIC writes NEL as 15; a set without U+0085 refuses a requested NEL
// instead of writing its "?" between the lines.
TEST(Newlines, EachSetWritesANewlineItReadsBackOrRefusesNel) {
    struct Case {
        const char* encoding;
        unsigned flags;
        std::string written;   // empty: the open fails with 1492
    };
    const Case cases[] = {
        {"IBM037", 0, "\x81\x15\x82\x15"},
        {"IBM1047", VRB_TXT_NEWLINE_LF, "\x81\x25\x82\x25"},
        {"KOI8-R", VRB_TXT_NEWLINE_NEL, ""},
        {"windows-1252", VRB_TXT_NEWLINE_NEL, ""},
        {"US-ASCII", VRB_TXT_NEWLINE_NEL, ""},
        {"Shift_JIS", VRB_TXT_NEWLINE_NEL, ""},
        {"ISO-8859-1", VRB_TXT_NEWLINE_NEL, "a\x85" "b\x85"},
        {"GB18030", VRB_TXT_NEWLINE_NEL, "a\x81\x30\x81\x35" "b\x81\x30\x81\x35"},
        {"EUC-KR", 0, "a\r\nb\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        const int id = hx_uchar_getenc(c.encoding);
        ScriptedFile out("", kWrite, id, static_cast<int>(c.flags));
        if (c.written.empty()) {
            EXPECT_FALSE(out.opened());
            EXPECT_NE(std::string::npos, out.error().find(c.encoding)) << out.error();
            EXPECT_NE(std::string::npos, out.error().find("NEL")) << out.error();
            continue;
        }
        ASSERT_TRUE(out->writeln("a", 1));
        ASSERT_TRUE(out->writeln("b", 1));
        EXPECT_EQ(c.written, written(out));
        ScriptedFile in(written(out), kRead, id, 0);
        char* text = nullptr;
        bool eol = false;
        for (const char* expected : {"a", "b"}) {
            EXPECT_EQ(1, in->readLine(-1, &text, &eol));
            EXPECT_STREQ(expected, text);
            EXPECT_TRUE(eol);
        }
    }
}

// U+0000 in the caller's text is written as the encoding's zero, never
// dropped, in plain and padded writes.
TEST(Writing, CodePointZeroIsWrittenAsTheEncodingsZero) {
    const struct {
        const char* encoding;
        std::string written;
    } cases[] = {
        {"UTF-8", std::string("a\0b", 3)},
        {"UTF-16LE", std::string("a\0\0\0b\0", 6)},
        {"UTF-32BE", std::string("\0\0\0a\0\0\0\0\0\0\0b", 12)},
        {"IBM037", std::string("\x81\0\x82", 3)},
        {"Shift_JIS", std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoding);
        ScriptedFile plain("", kWrite, hx_uchar_getenc(c.encoding), static_cast<int>(VRB_TXT_NEWLINE_LF));
        ASSERT_TRUE(plain->write("a\0b", 3));
        EXPECT_EQ(c.written, written(plain));
        ScriptedFile padded("", kWrite, hx_uchar_getenc(c.encoding), static_cast<int>(VRB_TXT_NEWLINE_LF));
        ASSERT_TRUE(padded->write("a\0b", 3, 3 * static_cast<int>(c.written.size()) / 3));
        EXPECT_EQ(c.written, written(padded));
    }
}

TEST(Writing, MarksAndPositions) {
    ScriptedFile file("", kWrite, 8, kWriteBom);
    EXPECT_EQ(2, file->tell());
    ASSERT_TRUE(file->write("a", 1));
    EXPECT_EQ(std::string("\xFF\xFE" "a\0", 4), written(file));

    ScriptedFile other("", kWrite, 1, kWriteBom);   // no mark for this encoding
    EXPECT_EQ(0, other->tell());

    // Appending, the mark goes only into an empty file: elsewhere it would be text.
    ScriptedFile append(std::string(500, 'x'), kAppend, 0, kWriteBom);
    EXPECT_EQ(500, append->tell());
    EXPECT_EQ("", written(append));
    EXPECT_EQ(kAppend, append.record()->lastOpenMode);
    ScriptedFile appendEmpty("", kAppend, 0, kWriteBom);
    EXPECT_EQ(3, appendEmpty->tell());
    EXPECT_EQ("\xEF\xBB\xBF", written(appendEmpty));
}

TEST(Writing, FixedWidthFields) {
    ScriptedFile file("", kWrite, 0, 0);
    ASSERT_TRUE(file->write("abc", 3, 5));
    EXPECT_EQ(5, file->tell());
    ASSERT_TRUE(file->write("abcdef", 6, 4));
    EXPECT_EQ(9, file->tell());
    ASSERT_TRUE(file->write("abc", 3, 0));
    ASSERT_TRUE(file->write("abc", 3, -1));
    ASSERT_TRUE(file->write("abc", -4, 2));
    ASSERT_TRUE(file->write("x\xE2\x82\xAC", 4, 3));   // the euro sign needs 3 bytes; 2 remain
    ASSERT_TRUE(file->writeln("ab", 2, 4));
    EXPECT_EQ("abc  abcd  x  ab  \r\n", written(file));

    ScriptedFile wide("", kWrite, 46, 0);
    ASSERT_TRUE(wide->write("", 0, 5));
    EXPECT_EQ(std::string(" \0 \0", 4), written(wide));
}

TEST(Writing, InvalidTextBecomesReplacement) {
    ScriptedFile file("", kWrite, 0, 0);
    ASSERT_TRUE(file->write("a\xFF" "b", 3));
    EXPECT_EQ("a\xEF\xBF\xBD" "b", written(file));
}

TEST(Writing, LargeWritesFlushWheneverTheBufferFills) {
    ScriptedFile file("", kWrite, 46, 0, {}, 1024);   // a 2048-byte buffer
    std::string text;
    for (int i = 0; i < 5000; ++i) text += static_cast<char>('a' + i % 26);
    text += "\xC3\xA9";
    ASSERT_TRUE(file->write(text.c_str(), static_cast<int>(text.size())));
    EXPECT_EQ(4, file.record()->writeCalls);
    std::string expected = encode(std::u32string(text.begin(), text.end() - 2) + U"\u00e9", 46);
    EXPECT_EQ(expected, written(file));
}

TEST(Writing, FailedFlushKeepsTheBufferAndCloseTriesAgain) {
    ScriptedFile file("", kWrite, 0, 0, {}, 1024);   // a 2048-byte buffer
    file.record()->failWritesAfter = 0;
    std::string text(3000, 'q');
    EXPECT_FALSE(file->write(text.c_str(), static_cast<int>(text.size())));
    EXPECT_EQ("scripted write failure", file.error());
    EXPECT_FALSE(file->writeln("z", 1));
    file.record()->failWritesAfter = -1;
    EXPECT_TRUE(file->close());
    EXPECT_EQ(std::string(2048, 'q'), file.record()->written);
}

// A raw stream may take part of each write: the rest goes again, and a
// stream that takes nothing fails the write with nothing sent twice.
TEST(Writing, ShortRawWritesLoseNothing) {
    const std::string text(10000, 'w');
    ScriptedFile file("", kWrite, 0, 0, {}, 16);
    file.record()->acceptAtMost = 5;
    ASSERT_TRUE(file->write(text.c_str(), static_cast<int>(text.size())));
    ASSERT_TRUE(file->writeln("end", 3));
    EXPECT_EQ(text + "end\r\n", written(file));

    // What the stuck stream did not take is sent once, at close.
    ScriptedFile stuck("", kWrite, 0, 0, {}, 16);
    stuck.record()->acceptAtMost = 0;
    EXPECT_FALSE(stuck->write(text.c_str(), static_cast<int>(text.size())));
    EXPECT_NE(stuck.error().find("Writing to file scripted failed"), std::string::npos) << stuck.error();
    stuck.record()->acceptAtMost = 7;
    EXPECT_TRUE(stuck->close());
    const std::string& arrived = stuck.record()->written;
    EXPECT_GT(arrived.size(), 0u);
    EXPECT_LT(arrived.size(), text.size());
    EXPECT_EQ(std::string(arrived.size(), 'w'), arrived);
}

TEST(Writing, FailedCloseReportsFalse) {
    ScriptedFile file("", kWrite, 0, 0);
    ASSERT_TRUE(file->write("abc", 3));
    file.record()->failWritesAfter = 0;
    EXPECT_FALSE(file->close());
    EXPECT_EQ(1, file.record()->closeCalls);
    EXPECT_EQ("scripted write failure", file.error());
}

TEST(Writing, RefusedOnReadingAndCheckOnlyFiles) {
    ScriptedFile reading("abc", kRead, 0, 0);
    EXPECT_FALSE(reading->write("x", 1));
    EXPECT_FALSE(reading->writeln("x", 1));
    EXPECT_FALSE(reading->write("x", 1, 3));
    EXPECT_EQ(message(336), reading.error());

    ScriptedFile check("", kWrite, 0, static_cast<int>(VRB_TXT_CHECK_ONLY));
    ASSERT_TRUE(check.opened());
    EXPECT_FALSE(check->write("x", 1));
    EXPECT_EQ("", written(check));
}

TEST(Closing, ReadModeNeverWritesAndCloseMayRepeat) {
    ScriptedFile file("abc", kRead, 0, 0);
    EXPECT_TRUE(file->close());
    EXPECT_TRUE(file->close());
    EXPECT_EQ(0, file.record()->writeCalls);
}

TEST(Buffers, CapacityIsAMultipleOf1024) {
    // Seen through what each flush carries: a full buffer. Encodings whose
    // characters may grow when decoded get one spare byte, hence 2048.
    struct Case {
        int encoding;
        int bufferSize;
        std::size_t capacity;
    };
    const int ascii = hx_uchar_getenc("US-ASCII");
    for (const Case& c : {Case{ascii, 1023, 1024}, Case{ascii, 1024, 1024}, Case{46, 1024, 2048}, Case{0, 1, 1024}}) {
        ScriptedFile file("", kWrite, c.encoding, 0, {}, c.bufferSize);
        std::string text(8192, 'a');
        ASSERT_TRUE(file->write(text.c_str(), 8192));
        const std::size_t flushed = file.record()->written.size();
        ASSERT_GT(file.record()->writeCalls, 0);
        EXPECT_EQ(c.capacity, flushed / static_cast<std::size_t>(file.record()->writeCalls)) << c.encoding;
    }
}

TEST(Allocation, SteadyStateReadingAndWritingAllocateNothing) {
    std::string content;
    for (int i = 0; i < 2000; ++i) content += "line " + std::to_string(i) + " \xC3\xA9t\xC3\xA9\r\n";
    ScriptedFile reader(content, kRead, 0, 0, {4096});
    char* text = nullptr;
    bool eol = false;
    ASSERT_GT(reader->readLine(-1, &text, &eol), 0);   // the first read makes the buffer
    const int readsBefore = reader.record()->readCalls;
    vrbtest::AllocationCounter reading;
    while (reader->readLine(-1, &text, &eol) > 0 || eol) {
    }
    // The scripted stream allocates one block per chunk; the text layer adds none.
    EXPECT_LE(reading.count(), 2u * static_cast<std::uint64_t>(reader.record()->readCalls - readsBefore));

    for (int encoding : {0, 46}) {
        ScriptedFile writer("", kWrite, encoding, 0, {}, 65536);
        vrbtest::AllocationCounter writing;
        for (int i = 0; i < 20000; ++i) ASSERT_TRUE(writer->writeln("some text \xC3\xA9", 12));
        EXPECT_EQ(0u, writing.count());
    }
}

TEST(Allocation, FailureToMakeTheBufferIsReported) {
    auto* raw = ScriptedRawStream::create("");
    auto* file = new VrbIOTextWrapper(nullptr, raw, kWrite, 0, 0);
    vrbtest::failAllocationAfter(0);
    EXPECT_FALSE(file->open());
    vrbtest::clearAllocationFault();
    EXPECT_NE(std::string::npos, std::string(file->errorText().asCstr()).find("Text file read buffer"));
    file->destroy();
}

}  // namespace

namespace {

// Writing random internal-form text, malformed pieces included, gives the
// same bytes with and without the fast paths, with every kernel set, in
// every encoding.
TEST(Writing, FastPathsAgreeWithTheReference) {
    std::mt19937 random(11);
    const std::vector<std::string> pieces = {"a", "Z", " ", "\r\n", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
                                             "\xC2\x85", "\xFF", "\xE2\x82", "\xED\xA0\x80", "\xC0\xAF",
                                             std::string(1, '\0'), "\xEF\xBF\xBF", "\xF4\x8F\xBF\xBF"};
    std::vector<int> encodings = {0, 7, 8, 45, 46, utf32LittleEndianId(), utf32BigEndianId()};
    for (const char* name : {"US-ASCII", "ISO-8859-1", "windows-1252", "IBM037", "Shift_JIS", "EUC-JP", "GB18030",
                             "Big5", "EUC-KR"}) {
        encodings.push_back(hx_uchar_getenc(name));
    }
    for (int trial = 0; trial < 30; ++trial) {
        std::string text;
        int count = 1 + static_cast<int>(random() % 600);
        for (int i = 0; i < count; ++i) {
            text += random() % 4 ? std::string(1, static_cast<char>('a' + random() % 26)) : pieces[random() % pieces.size()];
        }
        for (int encoding : encodings) {
            // The reference first, then the fast paths with each kernel set.
            auto writeAll = [&](const vrb::ascii::Kernels* kernels) {
                ScriptedFile file("", kWrite, encoding, 0, {}, 1024);
                file->setFastPathsEnabled(kernels != nullptr);
                if (kernels) file->setKernels(*kernels);
                EXPECT_TRUE(file->write(text.data(), static_cast<int>(text.size())));
                EXPECT_TRUE(file->writeln(text.data(), static_cast<int>(text.size() / 2)));
                EXPECT_TRUE(file->write(text.data(), static_cast<int>(text.size()), 37));
                return written(file) + "@" + std::to_string(file->tell());
            };
            const std::string reference = writeAll(nullptr);
            for (const vrb::ascii::Kernels* kernels : vrb::ascii::allKernels()) {
                if (!vrb::ascii::canRun(*kernels)) continue;
                ASSERT_EQ(reference, writeAll(kernels))
                    << "trial " << trial << " encoding " << encoding << " kernels " << kernels->name;
            }
        }
    }
}

}  // namespace

namespace {

// The caller's text need not be zero-terminated: a sequence cut short at
// its end is not read past (ASan checks the heap block's bounds).
TEST(Writing, TextCutInsideACharacterIsNotReadPast) {
    for (bool fast : {false, true}) {
        std::unique_ptr<char[]> text(new char[5]{'a', 'b', 'c', '\xE2', '\x82'});
        ScriptedFile file("", kWrite, 0, 0);
        file->setFastPathsEnabled(fast);
        ASSERT_TRUE(file->write(text.get(), 5));
        EXPECT_EQ("abc\xEF\xBF\xBD", written(file));
    }
}

}  // namespace

namespace strict {

constexpr int kStrict = static_cast<int>(VRB_TXT_STRICT | VRB_TXT_NEWLINE_LF);

// A line of `length` text bytes, longer than the output buffer, with the
// euro sign in its middle.
std::string longLineWithEuro(int length) {
    std::string line(static_cast<std::size_t>(length), 'x');
    line.replace(line.size() / 2, 3, "\xE2\x82\xAC");
    return line;
}

}  // namespace strict

// A character the encoding lacks fails the whole call: the file holds
// exactly what it held before, though the call's text would have flushed
// the buffer twice. Without the flag the same call writes the substitute.
TEST(StrictWriting, AnUnwritableCharacterLeavesTheFileAsBeforeTheCall) {
    const int latin1 = hx_uchar_getenc("ISO-8859-1");
    const std::string before = std::string(5000, 'a') + "\n";
    const std::string line = strict::longLineWithEuro(9000);
    ScriptedFile file("", kWrite, latin1, strict::kStrict, {}, 4096);
    ASSERT_TRUE(file->writeln(before.c_str(), 5000));
    EXPECT_FALSE(file->writeln(line.c_str(), static_cast<int>(line.size())));
    EXPECT_EQ(5001, file->tell());
    const std::string error = file.error();
    for (const char* named : {"U+20AC", "scripted", "ISO-8859-1", "byte 9501"}) {
        EXPECT_NE(std::string::npos, error.find(named)) << named << " in " << error;
    }
    EXPECT_TRUE(before == written(file)) << "the file changed";

    ScriptedFile lenient("", kWrite, latin1, static_cast<int>(VRB_TXT_NEWLINE_LF), {}, 4096);
    ASSERT_TRUE(lenient->writeln(line.c_str(), static_cast<int>(line.size())));
    std::string substituted = line;
    substituted.replace(line.size() / 2, 3, "?");
    EXPECT_TRUE(substituted + "\n" == written(lenient)) << "no substitute written";
}

// Strict writing refuses only what the set lacks, in plain and padded writes,
// and the refused call leaves the buffer as it was.
TEST(StrictWriting, EachSetRefusesWhatItLacks) {
    const struct {
        const char* encoding;
        const char* text;
        bool writable;
    } cases[] = {
        {"UTF-8", "caf\xC3\xA9 \xF0\x9F\x98\x80", true},
        {"UTF-16LE", "\xF0\x9F\x98\x80", true},
        {"UTF-32BE", "\xE2\x82\xAC", true},
        {"UCS-2LE", "a\xF0\x9F\x98\x80", false},
        {"windows-1252", "caf\xC3\xA9 \xE2\x82\xAC", true},
        {"ISO-8859-1", "caf\xC3\xA9 \xE2\x82\xAC", false},
        {"US-ASCII", "caf\xC3\xA9", false},
        {"IBM037", "abc", true},
        {"IBM037", "a\xE2\x82\xAC", false},
        {"Shift_JIS", "\xE3\x81\x82?", true},
        {"Shift_JIS", "\xC3\xA9", false},
        {"ISO-8859-1", "?", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.encoding) + " " + c.text);
        const int length = static_cast<int>(std::strlen(c.text));
        ScriptedFile plain("", kWrite, hx_uchar_getenc(c.encoding), strict::kStrict);
        ScriptedFile padded("", kWrite, hx_uchar_getenc(c.encoding), strict::kStrict);
        EXPECT_EQ(c.writable, plain->write(c.text, length));
        EXPECT_EQ(c.writable, padded->writeln(c.text, length, 64));
        if (!c.writable) {
            EXPECT_EQ(0, plain->tell() + padded->tell());
            EXPECT_EQ("", written(plain) + written(padded));
        }
    }
}
