#include "vrbaseio_file/VrbIORawText.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "file_test_support.h"
#include "hx/hx_fio.h"
#include "hx/hx_lcinfo.h"
#include "hx/hx_uchar.h"
#include "support/system_codes.h"
#include "support/test_support.h"
#include "vrbaseio/VrbIO.h"
#include "vrbaseio_file/local_backend.h"

namespace {

using vrbtest::catalogue;
using vrbtest::Owned;
using vrbtest::TempDir;
using vrbtest::text;
using vrbtest::writeFile;

constexpr int kAppend = 0, kRead = 1, kWrite = 2;

Owned<VrbIORaw> makeStream(const std::string& path) {
    VrbString error;
    VrbIORaw* stream = createLocalRawStream(nullptr, VrbString(path.c_str(), false), &error);
    EXPECT_NE(stream, nullptr) << text(error);
    return Owned<VrbIORaw>(stream);
}

// Opens with the stream's own buffer size and the encoding left alone.
bool openStream(VrbIORaw* stream, int mode, int flags = 0, int bufferSize = 0) {
    int encoding = 0;
    return stream->open(mode, flags, &bufferSize, &encoding);
}

std::string readOnce(VrbIORaw* stream, int minBytes) {
    char* data = nullptr;
    int got = stream->read(&data, minBytes, 0);
    EXPECT_GE(got, 0) << text(stream->errorText());
    return got > 0 ? std::string(data, static_cast<std::size_t>(got)) : std::string();
}

TEST(RawOpen, RefusalsNameThePathAndTheReason) {
    TempDir dir;
    for (int mode : {kAppend, kRead, kWrite, 3}) {
        auto stream = makeStream(dir.path());
        EXPECT_FALSE(openStream(stream.get(), mode)) << mode;
        EXPECT_EQ(text(stream->errorText()), catalogue(1353, dir.path().c_str(), "Path is a directory")) << mode;
    }
    std::string file = dir.file("a.txt");
    writeFile(file, "abc");
    auto badMode = makeStream(file);
    EXPECT_FALSE(openStream(badMode.get(), 3));
    EXPECT_EQ(text(badMode->errorText()), catalogue(728));
    EXPECT_LT(badMode->write("x", 1), 0) << "no handle was left open";
    EXPECT_TRUE(badMode->close());

    std::string missing = dir.file("missing.txt");
    auto absent = makeStream(missing);
    EXPECT_FALSE(openStream(absent.get(), kRead));
    EXPECT_EQ(text(absent->errorText()),
              catalogue(1353, missing.c_str(), vrbtest::systemErrorText(vrbtest::kCodeNotFound).c_str()));
    EXPECT_EQ(text(absent->path()), missing);
}

TEST(RawOpen, BufferSizeIsChosenWrittenBackOrKept) {
    TempDir dir;
    std::string file = dir.file("a.txt");
    writeFile(file, "0123456789");
    hx_file_t probe = nullptr;
    ASSERT_EQ(hx_fio_open(file.c_str(), 9, &probe), 0);
    const int layerChoice = hx_fio_bufsize(probe, -1);
    hx_fio_close(probe);
    int encoding = 0;

    auto chosen = makeStream(file);
    int size = 0;
    ASSERT_TRUE(chosen->open(kRead, 0, &size, &encoding));
    EXPECT_EQ(size, layerChoice);

    auto kept = makeStream(file);
    size = 4;
    ASSERT_TRUE(kept->open(kRead, 0, &size, &encoding));
    EXPECT_EQ(size, 4);
    EXPECT_EQ(readOnce(kept.get(), 1), "0123") << "one read fills at most the given size";

    // A negative size cannot size a buffer: the stream chooses as for 0.
    auto negative = makeStream(file);
    size = -7;
    ASSERT_TRUE(negative->open(kRead, 0, &size, &encoding));
    EXPECT_EQ(size, layerChoice);
    EXPECT_EQ(readOnce(negative.get(), 1), "0123456789");

    auto checkOnly = makeStream(file);
    size = 0;
    ASSERT_TRUE(checkOnly->open(kRead, VRB_TXT_CHECK_ONLY, &size, &encoding));
    EXPECT_EQ(size, 8192);
}

TEST(RawOpen, NegativeEncodingBecomesTheLocalesTextCharacterSet) {
    TempDir dir;
    std::string file = dir.file("a.txt");
    writeFile(file, "x");
    char charset[64] = {};
    hx_lcinfo_text_charset(charset, 64);
    const int localeEncoding = hx_uchar_getenc(charset);

    for (int given : {-1, 0, 7}) {
        auto stream = makeStream(file);
        int size = 0, encoding = given;
        ASSERT_TRUE(stream->open(kRead, 0, &size, &encoding));
        EXPECT_EQ(encoding, given < 0 ? localeEncoding : given);
    }
}

TEST(RawWrite, AppendKeepsContentAndWriteDiscardsIt) {
    TempDir dir;
    std::string file = dir.file("a.txt");
    writeFile(file, "old");
    {
        auto stream = makeStream(file);
        ASSERT_TRUE(openStream(stream.get(), kAppend));
        EXPECT_EQ(stream->write("+new", 4), 4);
        EXPECT_EQ(stream->size(), 7) << "the size is the file's on disk";
    }
    EXPECT_EQ(vrbtest::readFile(file), "old+new");
    {
        auto stream = makeStream(file);
        ASSERT_TRUE(openStream(stream.get(), kWrite));
        EXPECT_EQ(stream->write("w", 1), 1);
    }
    EXPECT_EQ(vrbtest::readFile(file), "w");
    {
        auto stream = makeStream(dir.file("created.txt"));
        ASSERT_TRUE(openStream(stream.get(), kAppend, VRB_TXT_CHECK_ONLY));
        EXPECT_LT(stream->write("x", 1), 0);
        EXPECT_EQ(text(stream->errorText()), catalogue(336));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("created.txt"))) << "a check creates nothing";
}

#if !defined(_WIN32)
TEST(RawWrite, AFullDeviceLeavesAMessage) {
    auto full = makeStream("/dev/full");
    ASSERT_TRUE(openStream(full.get(), kWrite));
    EXPECT_LT(full->write("abc", 3), 0);
    EXPECT_EQ(text(full->errorText()), catalogue(1008, "/dev/full", ENOSPC));
}
#endif

TEST(RawWrite, FailedWritesLeaveAMessage) {
    TempDir dir;
    std::string file = dir.file("a.txt");
    writeFile(file, "abc");
    auto reading = makeStream(file);
    ASSERT_TRUE(openStream(reading.get(), kRead));
    EXPECT_LT(reading->write("x", 1), 0);
    EXPECT_EQ(text(reading->errorText()), catalogue(1008, file.c_str(), vrbtest::kCodeNotOpenForWriting));
}

TEST(RawRead, ReadsFillTheBufferAndPadTheDataWithZeros) {
    TempDir dir;
    std::string file = dir.file("a.txt");
    writeFile(file, "0123456789ABCDEFGHIJ");
    auto stream = makeStream(file);
    ASSERT_TRUE(openStream(stream.get(), kRead, 0, 8));

    char* data = nullptr;
    EXPECT_EQ(stream->read(&data, 3, 2), 8) << "the whole free room, whatever maxBytes says";
    EXPECT_EQ(std::string(data, 8), "01234567");
    EXPECT_EQ(stream->read(&data, 100, 100), 8) << "a full buffer ends the loop";
    EXPECT_EQ(stream->read(&data, 1, 0), 4);
    EXPECT_EQ(std::string(data, 4), "GHIJ");
    for (int i = 4; i < 4 + kRawReadPadding; ++i) EXPECT_EQ(data[i], '\0') << "byte " << i << " after the data";
    char* atEnd = nullptr;
    EXPECT_EQ(stream->read(&atEnd, 1, 0), 0);
    ASSERT_EQ(atEnd, data);
    for (int i = 0; i < kRawReadPadding; ++i) EXPECT_EQ(atEnd[i], '\0');

    std::string shortFile = dir.file("short.txt");
    writeFile(shortFile, "ab");
    auto small = makeStream(shortFile);
    ASSERT_TRUE(openStream(small.get(), kRead));
    EXPECT_EQ(readOnce(small.get(), 3), "ab") << "the end of the file comes before minBytes";
}

TEST(RawRead, StreamsWithoutReadBufferRefuseReads) {
    TempDir dir;
    std::string file = dir.file("a.txt");
    writeFile(file, "abc");
    char sentinel = 's';
    char* data = &sentinel;

    auto unopened = makeStream(file);
    EXPECT_EQ(unopened->read(&data, 1, 1), -1);
    EXPECT_EQ(text(unopened->errorText()), catalogue(336));

    for (int flags : {0, static_cast<int>(VRB_TXT_CHECK_ONLY)}) {
        auto writing = makeStream(file);
        ASSERT_TRUE(openStream(writing.get(), kAppend, flags));
        EXPECT_EQ(writing->read(&data, 1, 1), -1);
        EXPECT_EQ(text(writing->errorText()), catalogue(336));
    }
    auto checked = makeStream(file);
    ASSERT_TRUE(openStream(checked.get(), kRead, VRB_TXT_CHECK_ONLY));
    EXPECT_EQ(checked->read(&data, 1, 1), -1);
    EXPECT_EQ(data, &sentinel) << "no buffer handed out";
}

#if !defined(_WIN32)
alignas(64) const char kMarker[64] = "bytes the stream reads back from this process's own memory";

// Reading address 0 of a process's memory fails with EIO; the address of a
// variable reads that variable.
TEST(RawRead, AFailedReadIsReportedAndTheNextStartsAfresh) {
    auto memory = makeStream("/proc/self/mem");
    ASSERT_TRUE(openStream(memory.get(), kRead, 0, 64));
    char sentinel = 's';
    char* data = &sentinel;
    EXPECT_EQ(memory->read(&data, 1, 64), -1);
    EXPECT_EQ(data, &sentinel);
    EXPECT_EQ(text(memory->errorText()), catalogue(1007, EIO));

    const auto address = static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(kMarker));
    ASSERT_EQ(memory->skip(address), address);
    ASSERT_EQ(memory->read(&data, 64, 64), 64);
    EXPECT_STREQ(data, kMarker);
}
#endif

TEST(RawSkip, SkipsRelativeAndReportsFailures) {
    TempDir dir;
    std::string file = dir.file("a.txt");
    writeFile(file, "0123456789");
    auto stream = makeStream(file);
    ASSERT_TRUE(openStream(stream.get(), kRead));
    EXPECT_EQ(stream->skip(4), 4);
    EXPECT_EQ(readOnce(stream.get(), 1), "456789");
    EXPECT_EQ(stream->skip(-3), -3);
    EXPECT_EQ(readOnce(stream.get(), 1), "789");
    EXPECT_EQ(stream->skip(10), 10) << "past the end is allowed";
    EXPECT_EQ(readOnce(stream.get(), 1), "");
    EXPECT_EQ(stream->skip(-100), -1);
    EXPECT_EQ(text(stream->errorText()), catalogue(654, vrbtest::kCodeNegativeSeek));

    auto unopened = makeStream(file);
    EXPECT_EQ(unopened->skip(1), -1);
    EXPECT_EQ(text(unopened->errorText()), catalogue(654, vrbtest::kCodeBadHandle));
}

TEST(RawSize, SizeAsksThePathAtAnyTime) {
    TempDir dir;
    std::string file = dir.file("a.txt");
    writeFile(file, "12345");
    auto stream = makeStream(file);
    EXPECT_EQ(stream->size(), 5) << "before open";
    ASSERT_TRUE(openStream(stream.get(), kRead));
    EXPECT_TRUE(stream->close());
    EXPECT_TRUE(stream->close());
    EXPECT_EQ(stream->size(), 5) << "after close";

    auto missing = makeStream(dir.file("missing"));
    EXPECT_EQ(missing->size(), 0);
    EXPECT_EQ(text(missing->errorText()), "");
}

#if !defined(_WIN32)
TEST(RawOpen, AppendOnAnUnseekableFileReportsTheSeek) {
    TempDir dir;
    std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    auto stream = makeStream(fifo);
    EXPECT_FALSE(openStream(stream.get(), kAppend));
    EXPECT_EQ(text(stream->errorText()), catalogue(654, -1));
    close(reader);
}
#endif

// Every allocation that fails is reported: by the factory as 444, by open
// with a message (444 for the read buffer).
TEST(RawAllocation, EveryFailedAllocationIsReported) {
    TempDir dir;
    std::string file = dir.file("a.txt");
    writeFile(file, "abc");
    const std::string outOfMemory = catalogue(444);
    const VrbString path(file.c_str(), false);
    bool sawBufferFailure = false;
    for (std::uint64_t skip = 0;; ++skip) {
        VrbString error;
        vrbtest::failAllocationAfter(skip);
        VrbIORaw* stream = createLocalRawStream(nullptr, path, &error);
        bool opened = false;
        if (stream) opened = openStream(stream, kRead);
        vrbtest::clearAllocationFault();
        const bool fired = vrbtest::allocationFaultFired();

        if (!stream) {
            EXPECT_EQ(text(error), outOfMemory);
        } else {
            if (!opened) {
                EXPECT_FALSE(text(stream->errorText()).empty()) << "allocation " << skip;
                sawBufferFailure |= text(stream->errorText()) == outOfMemory;
            }
            stream->destroy();
        }
        if (!fired) {
            EXPECT_TRUE(opened);
            break;
        }
    }
    EXPECT_TRUE(sawBufferFailure);
}

}  // namespace
