// The reading rules with their results written out by hand: line ends, the
// limits of each read, U+0000, malformed and cut sequences, skipping and
// seeking. The other reading tests compare the engine with itself (fast
// against slow, chunked against whole); these hold it to the rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hx/hx_uchar.h"
#include "text_test_support.h"
#include "vrbaseio/VrbIO.h"

using namespace texttest;

namespace {

enum class Op { Line, Text, Bytes, SkipLine, SkipBytes, Seek };

struct Step {
    Op op;
    int count;
};

struct Result {
    int result;
    std::string text;   // what the read handed out (empty for skip and seek)
    int eol;            // 1 or 0; -1 where the operation has none
    long long tell;
    bool operator==(const Result&) const = default;
};

void PrintTo(const Result& r, std::ostream* os) {
    *os << "{" << r.result << ", " << ::testing::PrintToString(r.text) << ", eol " << r.eol << ", tell " << r.tell
        << "}";
}

struct Case {
    const char* name;
    std::string bytes;
    const char* encoding;
    int flags;
    std::vector<Step> steps;
    std::vector<Result> expected;
};

constexpr int kNoEol = -1;
const std::string kFffd = "\xEF\xBF\xBD";

Result run(ScriptedFile& file, const Step& step) {
    char* text = nullptr;
    bool eol = false;
    Result r{0, "", kNoEol, 0};
    switch (step.op) {
    case Op::Line: r.result = file->readLine(step.count, &text, &eol); r.eol = eol; break;
    case Op::Text: r.result = file->readText(step.count, &text); break;
    case Op::Bytes: r.result = file->readBytes(step.count, &text); break;
    case Op::SkipLine: r.result = file->skipText(step.count, &eol); r.eol = eol; break;
    case Op::SkipBytes: r.result = file->skipText(step.count, nullptr); break;
    case Op::Seek: r.result = file->seek(step.count, 1) ? 1 : 0; break;
    }
    if (text && r.result >= 0) r.text = text;
    r.tell = file->tell();
    return r;
}

const Step L{Op::Line, -1};

std::vector<Case> cases() {
    return {
        {"crlf and a last line without end", "a\r\nb", "UTF-8", 0, {L, L, L},
         {{1, "a", 1, 3}, {1, "b", 1, 4}, {0, "", 0, 4}}},
        {"a run of CRs is one line end", "a\r\rb\n", "UTF-8", 0, {L, L, L},
         {{1, "a", 1, 3}, {1, "b", 1, 5}, {0, "", 0, 5}}},
        {"empty lines between LFs", "a\n\nb", "UTF-8", 0, {L, L, L, L},
         {{1, "a", 1, 2}, {0, "", 1, 3}, {1, "b", 1, 4}, {0, "", 0, 4}}},
        {"FF NEL LS PS end lines, VT does not", "a\x0C" "b\xC2\x85" "c\xE2\x80\xA8" "d\xE2\x80\xA9" "e\x0B" "f",
         "UTF-8", 0, {L, L, L, L, L, L},
         {{1, "a", 1, 2}, {1, "b", 1, 5}, {1, "c", 1, 9}, {1, "d", 1, 13}, {3, "e\x0B" "f", 1, 16}, {0, "", 0, 16}}},
        {"a CR before text and at the end", "a\rb\r", "UTF-8", 0, {L, L, L},
         {{1, "a", 1, 2}, {1, "b", 1, 4}, {0, "", 0, 4}}},
        {"a line of only CR LF", "\r\n", "UTF-8", 0, {L, L}, {{0, "", 1, 2}, {0, "", 0, 2}}},
        {"a line limit stops before the text, never before the line end", "abcdef\ngh", "UTF-8", 0,
         {{Op::Line, 3}, {Op::Line, 3}, {Op::Line, 3}},
         {{3, "abc", 0, 3}, {3, "def", 1, 7}, {2, "gh", 1, 9}}},
        {"a limit never splits a character", "a\xC3\xA9" "b", "UTF-8", 0,
         {{Op::Line, 2}, {Op::Line, 2}, {Op::Line, 2}},
         {{1, "a", 0, 1}, {2, "\xC3\xA9", 0, 3}, {1, "b", 1, 4}}},
        {"readText takes line ends as text", "ab\ncdefg", "UTF-8", 0,
         {{Op::Text, 5}, {Op::Text, 5}, {Op::Text, 5}},
         {{5, "ab\ncd", kNoEol, 5}, {3, "efg", kNoEol, 8}, {0, "", kNoEol, 8}}},
        {"readBytes counts file bytes", std::string("a\0b\0c\0", 6), "UTF-16LE", 0,
         {{Op::Bytes, 4}, {Op::Bytes, 4}},
         {{4, "ab", kNoEol, 4}, {2, "c", kNoEol, 6}}},
        {"U+0000: the text before it, then a failure that consumes nothing", std::string("ab\0cd\n", 6), "UTF-8", 0,
         {L, L, L}, {{2, "ab", 0, 2}, {-1, "", 0, 2}, {-1, "", 0, 2}}},
        {"U+0000 after a CR: the line ends at the CR", std::string("a\r\0", 3), "UTF-8", 0, {L, L},
         {{1, "a", 1, 2}, {-1, "", 0, 2}}},
        {"U+0000 replaced on request", std::string("ab\0cd\n", 6), "UTF-8", static_cast<int>(VRB_TXT_NUL_AS_FFFD),
         {L}, {{7, "ab" + kFffd + "cd", 1, 6}}},
        {"a cut sequence at the end is one replacement", "a\xE2\x82", "UTF-8", 0, {L},
         {{4, "a" + kFffd, 1, 3}}},
        {"a bad byte before a line end keeps the line end", "a\xE2\n" "b", "UTF-8", 0, {L, L},
         {{4, "a" + kFffd, 1, 3}, {1, "b", 1, 4}}},
        {"UTF-16: a high surrogate and half a unit at the end are one cut pair", std::string("a\0\x3D\xD8\x41", 5),
         "UTF-16LE", 0, {L, L}, {{4, "a" + kFffd, 1, 5}, {0, "", 0, 5}}},
        {"UTF-16: the same whatever the odd byte", std::string("a\0\x3D\xD8\xDC", 5), "UTF-16LE", 0, {L},
         {{4, "a" + kFffd, 1, 5}}},
        {"UTF-16: a lone low surrogate and half a unit are two faults", std::string("\xDC\x00\x41", 3), "UTF-16BE",
         0, {L}, {{6, kFffd + kFffd, 1, 3}}},
        {"Shift_JIS: a bad lead byte leaves the LF after it", "\x82\xA0\x81\n" "A", "Shift_JIS", 0, {L, L},
         {{6, "\xE3\x81\x82" + kFffd, 1, 4}, {1, "A", 1, 5}}},
        {"EBCDIC: NEL, LF and CR LF", "\xC1\x15\xC2\x25\xC3\x0D\x25", "IBM037", 0, {L, L, L, L},
         {{1, "A", 1, 2}, {1, "B", 1, 4}, {1, "C", 1, 7}, {0, "", 0, 7}}},
        {"skipping the rest of a line, then bytes", "abc\ndefgh", "UTF-8", 0,
         {{Op::SkipLine, -1}, {Op::SkipBytes, 2}, L},
         {{3, "", 1, 4}, {2, "", kNoEol, 6}, {3, "fgh", 1, 9}}},
        {"seeking forwards only", "abcdef", "UTF-8", 0, {{Op::Seek, 2}, {Op::Seek, 1}, L},
         {{1, "", kNoEol, 2}, {0, "", kNoEol, 2}, {4, "cdef", 1, 6}}},
        {"a byte-order mark counts in tell", std::string("\xFF\xFE" "a\0\n\0", 6), "UTF-8",
         static_cast<int>(VRB_TXT_DETECT_BOM), {L, L}, {{1, "a", 1, 6}, {0, "", 0, 6}}},
    };
}

TEST(ReadRules, HandWrittenExpectations) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        for (bool fast : {true, false}) {
            for (std::vector<int> chunks : {std::vector<int>{}, std::vector<int>{1}}) {
                ScriptedFile file(c.bytes, 1, hx_uchar_getenc(c.encoding), c.flags, chunks);
                ASSERT_TRUE(file.opened()) << file.error();
                file->setFastPathsEnabled(fast);
                std::vector<Result> got;
                for (const Step& step : c.steps) got.push_back(run(file, step));
                EXPECT_EQ(got, c.expected) << (fast ? "fast paths" : "per character")
                                           << (chunks.empty() ? ", one chunk" : ", one-byte chunks");
            }
        }
    }
}

}  // namespace
