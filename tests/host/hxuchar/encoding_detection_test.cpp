// The detector over a corpus of real translated texts written in the
// encodings the manifest names, and over hand-made edge cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "hx/hx_uchar.h"
#include "hx/hx_uchar_detect.h"
#include "detect_corpus/detect_corpus.h"

namespace {

using detectcorpus::decode;

struct Result {
    int right = 0;
    int all = 0;
};

// Which rule the encoding must come from: 1-4 allow no miss.
bool ruleDecided(int id) {
    return id == HX_ENC_UTF8 || id == HX_ENC_USASCII || id == HX_ENC_UTF16LE || id == HX_ENC_UTF16BE ||
           id == HX_ENC_UTF32LE || id == HX_ENC_UTF32BE;
}

TEST(EncodingDetection, CorpusAccuracy) {
    std::map<std::string, Result> byBand;
    Result total, large;
    std::vector<std::string> encodings;
    for (const detectcorpus::Sample& sample : detectcorpus::load(VRB_DETECT_CORPUS)) {
        ASSERT_GE(sample.id, 0) << sample.encoding;
        ASSERT_EQ(decode(sample.id, sample.bytes, 0), sample.text) << sample.name << " does not fit " << sample.encoding;
        int confidence = -1, mark = -1;
        const int chosen = hx_uchar_detect(sample.bytes.data(), static_cast<int>(sample.bytes.size()), HX_ENC_USASCII,
                                           &confidence, &mark);
        const bool right = decode(chosen, sample.bytes, mark) == sample.text;
        EXPECT_TRUE(right || !ruleDecided(sample.id))
            << sample.name << " in " << sample.encoding << " taken as " << hx_uchar_encname(chosen);
        if (!right) std::printf("miss: %s in %s taken as %s (%d)\n", sample.name.c_str(), sample.encoding.c_str(),
                                hx_uchar_encname(chosen), confidence);
        const std::size_t size = sample.bytes.size();
        for (Result* r : {&total, &byBand[detectcorpus::sizeBand(size)], size >= 4096 ? &large : nullptr}) {
            if (!r) continue;
            r->all++;
            r->right += right;
        }
        if (std::find(encodings.begin(), encodings.end(), sample.encoding) == encodings.end())
            encodings.push_back(sample.encoding);
    }
    for (const auto& [band, r] : byBand) std::printf("%-7s %d/%d\n", band.c_str(), r.right, r.all);
    std::printf("all     %d/%d\n", total.right, total.all);
    EXPECT_GE(total.all, 300);
    EXPECT_GE(encodings.size(), 30u);
    // The floors stand where the detector is now, so that a change that
    // loses ground fails.
    EXPECT_GE(total.right * 100, total.all * 98) << "accuracy floor";
    EXPECT_GE(large.right * 100, large.all * 98) << "accuracy floor from 4 KiB";
}

struct EdgeCase {
    const char* what;
    std::string bytes;
    int requested;
    int expected;
    int markLength;
};

TEST(EncodingDetection, EdgeCases) {
    const std::string binary = [] {
        std::string bytes;
        unsigned state = 12345;
        for (int i = 0; i < 5000; ++i) {
            state = state * 1103515245u + 12345u;
            bytes.push_back(static_cast<char>(state >> 23));
        }
        return bytes;
    }();
    const EdgeCase cases[] = {
        {"empty, ASCII asked", "", HX_ENC_USASCII, HX_ENC_USASCII, 0},
        {"empty, UTF-16LE asked", "", HX_ENC_UTF16LE, HX_ENC_UTF8, 0},
        {"ASCII, Latin-1 asked", "plain text\n", HX_ENC_ISO8859_1, HX_ENC_ISO8859_1, 0},
        {"only line ends", "\r\n\r\n\n", HX_ENC_UTF8, HX_ENC_UTF8, 0},
        {"only U+0000", std::string(64, '\0'), HX_ENC_USASCII, HX_ENC_USASCII, 0},
        {"UTF-8 mark", "\xEF\xBB\xBF" "abc", HX_ENC_USASCII, HX_ENC_UTF8, 3},
        {"UTF-8 mark alone", "\xEF\xBB\xBF", HX_ENC_USASCII, HX_ENC_UTF8, 3},
        {"UTF-32LE mark before UTF-16LE", std::string("\xFF\xFE\0\0a\0\0\0", 8), 1, HX_ENC_UTF32LE, 4},
        {"UTF-32BE mark", std::string("\0\0\xFE\xFF\0\0\0a", 8), 1, HX_ENC_UTF32BE, 4},
        {"UTF-16LE mark", std::string("\xFF\xFE" "a\0", 4), 1, HX_ENC_UTF16LE, 2},
        {"UTF-16BE mark", std::string("\xFE\xFF\0a", 4), 1, HX_ENC_UTF16BE, 2},
        {"UTF-16LE Latin, no mark", std::string("h\0e\0l\0l\0o\0 \0w\0", 14), 1, HX_ENC_UTF16LE, 0},
        {"UTF-16BE CJK, no mark", std::string("\x4F\x60\x59\x7D\0 \x4E\x16\x75\x4C\0\n", 12), 1, HX_ENC_UTF16BE, 0},
        {"UTF-32LE, no mark", std::string("\x1F\x04\0\0\x40\x04\0\0 \0\0\0", 12), 1, HX_ENC_UTF32LE, 0},
        {"UTF-8 cut mid-sequence", "caf\xC3\xA9 \xE2\x82", HX_ENC_USASCII, HX_ENC_UTF8, 0},
        {"UTF-8 broken inside", "caf\xC3\xA9 \xE2\x82 x", HX_ENC_USASCII, -1, 0},
        {"EBCDIC", "\xC8\x85\x93\x93\x96\x40\xA6\x96\x99\x93\x84\x4B\x40\xE3\x88\x89\xA2\x40\x89\xA2\x40\x81\x40"
                   "\xA3\x85\xA2\xA3\x40\x96\x86\x40\xA3\x88\x85\x40\x85\x95\x83\x96\x84\x89\x95\x87\x4B\x25",
         HX_ENC_USASCII, HX_ENC_IBM037, 0},
        {"random binary", binary, HX_ENC_USASCII, -1, 0},
    };
    for (const EdgeCase& c : cases) {
        int confidence = -1, mark = -1;
        const int chosen = hx_uchar_detect(c.bytes.data(), static_cast<int>(c.bytes.size()), c.requested, &confidence, &mark);
        if (c.expected >= 0) EXPECT_EQ(chosen, c.expected) << c.what;
        else EXPECT_NE(chosen, HX_ENC_UTF8) << c.what;
        EXPECT_NE(hx_uchar_encname(chosen), nullptr) << c.what;
        EXPECT_EQ(mark, c.markLength) << c.what;
        EXPECT_GE(confidence, 0) << c.what;
        EXPECT_LE(confidence, 100) << c.what;
    }
    EXPECT_EQ(hx_uchar_detect(nullptr, 10, HX_ENC_USASCII, nullptr, nullptr), HX_ENC_USASCII);
    int binaryConfidence = 100;
    hx_uchar_detect(binary.data(), static_cast<int>(binary.size()), HX_ENC_USASCII, &binaryConfidence, nullptr);
    EXPECT_LE(binaryConfidence, 10) << "random bytes are no text";
}

}  // namespace
