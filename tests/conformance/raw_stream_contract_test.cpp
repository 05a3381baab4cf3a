// What the text layer relies on from every raw stream, checked with the same
// cases against the local stream, the Hadoop stream (over the in-memory
// WebHDFS) and the scripted stream that the text layer's tests use: zero
// padding after every chunk, the minimum of a read, the end of the file, a
// failed read followed by one that goes on where the data stopped, closing
// twice, skipping, and the default encoding told before the open.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "FakeWebHdfs.h"
#include "ScriptedRawStream.h"
#include "support/test_support.h"
#include "vrbaseio_core/VrbIORaw.h"
#include "vrbaseio_file/local_backend.h"
#include "vrbaseio_hadoop/hadoop_backend.h"
#include "vrbclass/VrURI.h"

namespace {

// Bytes without zeros, so that a missing zero padding shows.
std::string content(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return bytes;
}

class Harness {
public:
    virtual ~Harness() = default;
    // A stream open for reading `bytes`, or null (with a test failure).
    virtual VrbIORaw* openRead(const std::string& bytes) = 0;
    // Makes a read in the middle of the next stream opened fail once; false
    // when this stream offers no way to.
    virtual bool planFailure() = 0;
};

VrbIORaw* opened(VrbIORaw* stream, const VrbString& error) {
    EXPECT_NE(nullptr, stream) << error.asCstr();
    if (!stream) return nullptr;
    int bufferSize = 0;
    // Asked before the open, as the text layer asks it.
    const int chosen = stream->defaultEncoding();
    int encoding = -1;
    if (!stream->open(1, 0, &bufferSize, &encoding)) {
        ADD_FAILURE() << stream->errorText().asCstr();
        stream->destroy();
        return nullptr;
    }
    EXPECT_EQ(chosen, encoding) << "open gives a negative encoding what defaultEncoding() told";
    return stream;
}

class LocalHarness final : public Harness {
public:
    VrbIORaw* openRead(const std::string& bytes) override {
        vrbtest::writeFile(dir.file("f.txt"), bytes);
        VrbString error;
        return opened(createLocalRawStream(nullptr, VrbString(dir.file("f.txt").c_str(), false), &error), error);
    }
    bool planFailure() override { return false; }

private:
    vrbtest::TempDir dir;
};

class HadoopHarness final : public Harness {
public:
    VrbIORaw* openRead(const std::string& bytes) override {
        hdfs.addFile("/f.txt", bytes);
        VrURI* uri = getURIFromURIString(VrbString(hdfs.uri("/f.txt").c_str(), false));
        VrbString error;
        VrbIORaw* raw = createHadoopRawStream(nullptr, {uri, uri->path()}, &error);
        // The service releases its URI before the text file opens the stream.
        uri->release();
        return opened(raw, error);
    }
    bool planFailure() override {
        // The transfer breaks off, and the attempt to resume it is refused:
        // the read fails, and the next one has to go on at the byte reached.
        hdfs.setIntercept([this](const vrhadooptest::HttpRequest& request) -> std::optional<vrhadooptest::HttpReply> {
            if (request.path.rfind("/datanode", 0) != 0) return std::nullopt;
            if (dataNodeAnswers++ == 0) {
                vrhadooptest::HttpReply cut;
                cut.body = hdfs.node("/f.txt")->content;
                cut.truncateBodyAt = 50000;
                return cut;
            }
            hdfs.setIntercept(nullptr);
            return vrhadooptest::remoteException(403, "IOException", "refused once");
        });
        return true;
    }

private:
    vrhadooptest::FakeWebHdfs hdfs;
    int dataNodeAnswers = 0;
};

class ScriptedHarness final : public Harness {
public:
    VrbIORaw* openRead(const std::string& bytes) override {
        ScriptedRawStream* stream = ScriptedRawStream::create(bytes, {1000, 3, 7000, 1});
        stream->record()->failReadAt = failAt;
        return opened(stream, VrbString());
    }
    bool planFailure() override {
        failAt = 5;
        return true;
    }

private:
    int failAt = -1;
};

struct Destroy {
    void operator()(VrbIORaw* stream) const { stream->destroy(); }
};
using Stream = std::unique_ptr<VrbIORaw, Destroy>;

class RawStreamContract : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (GetParam() == "local") harness = std::make_unique<LocalHarness>();
        if (GetParam() == "hadoop") harness = std::make_unique<HadoopHarness>();
        if (GetParam() == "scripted") harness = std::make_unique<ScriptedHarness>();
    }

    // Reads to the end with (minBytes, maxBytes), checking every chunk's
    // padding and minimum; a failed read ends it with "<failed>".
    std::string readAll(VrbIORaw* stream, int minBytes, int maxBytes, std::size_t expected) {
        std::string data;
        for (;;) {
            char* chunk = nullptr;
            int n = stream->read(&chunk, minBytes, maxBytes);
            if (n < 0) return data + "<failed>";
            if (n == 0) return data;
            EXPECT_TRUE(std::all_of(chunk + n, chunk + n + kRawReadPadding, [](char c) { return c == 0; }))
                << "no zero padding after the chunk at " << data.size() << " (min " << minBytes << ")";
            EXPECT_GE(static_cast<std::size_t>(n), std::min<std::size_t>(minBytes, expected - data.size()))
                << "short of the minimum at " << data.size();
            data.append(chunk, static_cast<std::size_t>(n));
        }
    }

    std::unique_ptr<Harness> harness;
};

TEST_P(RawStreamContract, ChunksArePaddedKeepTheMinimumAndEndCleanly) {
    const std::string bytes = content(300000);
    struct Case {
        int minBytes;
        int maxBytes;
    };
    for (const Case& c : {Case{0, 7}, Case{3, 5}, Case{1, 4096}, Case{4000, 4000}, Case{4096, 4096}}) {
        Stream stream(harness->openRead(bytes));
        ASSERT_TRUE(stream);
        EXPECT_TRUE(readAll(stream.get(), c.minBytes, c.maxBytes, bytes.size()) == bytes)
            << "min " << c.minBytes << " max " << c.maxBytes;
        char* chunk = nullptr;
        EXPECT_EQ(0, stream->read(&chunk, c.minBytes, c.maxBytes)) << "the end stays the end";
        EXPECT_TRUE(stream->close());
        EXPECT_TRUE(stream->close()) << "a second close";
    }
    Stream empty(harness->openRead(""));
    ASSERT_TRUE(empty);
    char* chunk = nullptr;
    EXPECT_EQ(0, empty->read(&chunk, 3, 4096));
    EXPECT_EQ(0, empty->size());
}

TEST_P(RawStreamContract, AFailedReadIsFollowedByTheBytesWhereTheDataStopped) {
    const std::string bytes = content(100000);
    if (!harness->planFailure()) GTEST_SKIP() << "no way to make this stream's reads fail";
    Stream stream(harness->openRead(bytes));
    ASSERT_TRUE(stream);
    std::string data;
    char* chunk = nullptr;
    int n;
    while ((n = stream->read(&chunk, 1, 4096)) > 0) data.append(chunk, static_cast<std::size_t>(n));
    ASSERT_LT(n, 0) << "the failure never came";
    EXPECT_STRNE("", stream->errorText().asCstr());
    std::string rest = readAll(stream.get(), 1, 4096, bytes.size() - data.size());
    EXPECT_TRUE(data + rest == bytes) << data.size() << " + " << rest.size() << " bytes";
}

TEST_P(RawStreamContract, SkippingMovesOnWithoutReadingOut) {
    const std::string bytes = content(100000);
    Stream stream(harness->openRead(bytes));
    ASSERT_TRUE(stream);
    EXPECT_EQ(0, stream->skip(0));
    EXPECT_EQ(1000, stream->skip(1000));
    char* chunk = nullptr;
    int n = stream->read(&chunk, 10, 4096);
    ASSERT_GE(n, 10);
    EXPECT_EQ(bytes.substr(1000, 10), std::string(chunk, 10));
    EXPECT_EQ(static_cast<std::int64_t>(bytes.size()), stream->size());
}

INSTANTIATE_TEST_SUITE_P(Streams, RawStreamContract, ::testing::Values("local", "hadoop", "scripted"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
