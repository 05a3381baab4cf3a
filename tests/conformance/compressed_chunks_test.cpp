// A compressed file reads as its text however the decompressed stream is
// cut into chunks: characters, CR LF pairs, byte-order marks and member
// boundaries split at every position.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "ScriptedRawStream.h"
#include "text_test_support.h"
#include "vrbaseio/VrbIO.h"
#include "vrbaseio_compress/VrbIORawCompressed.h"

using namespace texttest;
using vrb::compress::Format;

namespace {

// One member holding `text`, made by the layer's own encoder (the tools'
// files are compared in the backend table).
std::string compress(Format format, const std::string& text) {
    std::unique_ptr<vrb::compress::Encoder> encoder(vrb::compress::newEncoder(format));
    std::string out;
    unsigned char buffer[4096];
    std::size_t done = 0;
    for (bool finished = false; !finished;) {
        const bool last = done == text.size();
        const auto step = encoder->encode(reinterpret_cast<const unsigned char*>(text.data()) + done, text.size() - done,
                                          last, buffer, sizeof buffer);
        EXPECT_EQ(nullptr, step.fault);
        done += step.consumed;
        out.append(reinterpret_cast<char*>(buffer), step.produced);
        finished = last && step.finished;
    }
    return out;
}

// Lines read one call at a time, with the position after each.
std::string transcript(VrbIOTextWrapper* file, bool opened) {
    std::ostringstream out;
    if (!opened) return "open failed: " + std::string(file->errorText().asCstr());
    out << "enc=" << file->encoding() << "\n";
    for (;;) {
        char* text = nullptr;
        bool eol = false;
        const int length = file->readLine(5, &text, &eol);
        out << length << (eol ? "$ " : " ") << (text ? text : "") << " @" << file->tell() << "\n";
        if (length < 0) out << file->errorText().asCstr() << "\n";
        if (length <= 0 && !eol) break;
    }
    return out.str();
}

std::string readCompressed(const std::string& bytes, int encoding, int flags, int decodedChunk) {
    ScriptedRawStream* inner = ScriptedRawStream::create(bytes, {7});
    auto* layer = new VrbIORawCompressed(inner, Format::None, decodedChunk);
    auto* file = new VrbIOTextWrapper(nullptr, layer, 1, encoding, flags);
    const bool opened = file->open();
    std::string result = transcript(file, opened);
    file->destroy();
    return result;
}

struct Sample {
    const char* name;
    std::string text;
    int encoding;
    int flags;
};

TEST(CompressedChunks, EveryCutOfTheDecompressedStreamReadsAsThePlainText) {
    const std::u32string text = U"ab\r\ncd\u00e9\u20ac\U0001F600x\r\ny\r\r\n\u2028z\n\ntail";
    const Sample samples[] = {
        {"utf8", encode(text, kUtf8), kUtf8, 0},
        {"utf16le-bom", "\xFF\xFE" + encode(text, kUtf16LE), kUtf8, static_cast<int>(VRB_TXT_DETECT_BOM)},
    };
    for (const Sample& sample : samples) {
        SCOPED_TRACE(sample.name);
        ScriptedFile plain(sample.text, 1, sample.encoding, sample.flags);
        const std::string expected = transcript(plain.get(), plain.opened());
        // Two members, split inside the text, so a member boundary passes every cut too.
        const std::size_t half = sample.text.size() / 2 + 1;
        const std::string bytes =
            compress(Format::Gzip, sample.text.substr(0, half)) + compress(Format::Gzip, sample.text.substr(half));
        for (int cut = 1; cut <= static_cast<int>(sample.text.size()) + 1; ++cut) {
            ASSERT_EQ(expected, readCompressed(bytes, sample.encoding, sample.flags, cut)) << "decoded chunks of " << cut;
        }
    }
}

TEST(CompressedChunks, EachFormatRoundTripsThroughItsOwnEncoder) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i * 7919 % 10007) + "\n";
    for (Format format : {Format::Gzip, Format::Bzip2, Format::Xz, Format::Zstd}) {
        SCOPED_TRACE(vrb::compress::formatName(format));
        const std::string bytes = compress(format, text) + compress(format, "");
        ASSERT_EQ(format, vrb::compress::sniffFormat(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
        ScriptedRawStream* inner = ScriptedRawStream::create(bytes, {4093});
        auto* layer = new VrbIORawCompressed(inner, Format::None);
        auto* file = new VrbIOTextWrapper(nullptr, layer, 1, kUtf8, 0);
        ASSERT_TRUE(file->open());
        char* read = nullptr;
        std::string back;
        for (int length; (length = file->readBytes(100000, &read)) > 0;) back.append(read, static_cast<std::size_t>(length));
        EXPECT_EQ(text, back);
        EXPECT_EQ(static_cast<std::int64_t>(text.size()), file->tell());
        file->destroy();
    }
}

}  // namespace
