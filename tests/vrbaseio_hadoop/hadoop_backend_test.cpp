// The Hadoop raw stream and listing over a scripted access library: the
// order of calls, buffering, gathering and failure handling.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "FakeHadoop.h"
#include "support/test_support.h"
#include "vrbaseio/VrbIO.h"
#include "vrbaseio_hadoop/hadoop_backend.h"
#include "vrbclass/VrURI.h"

namespace {

using fakehadoop::script;

class HadoopBackend : public ::testing::Test {
protected:
    void SetUp() override { fakehadoop::reset(); }
    void TearDown() override {
        if (uri) uri->release();
    }

    VrbIORaw* stream(const char* location = "hadoop://nn:9870/dir/f.txt") {
        uri = getURIFromURIString(VrbString(location, true));
        EXPECT_NE(nullptr, uri);
        VrbString error;
        VrbIORaw* raw = createHadoopRawStream(nullptr, {uri, uri->path()}, &error);
        EXPECT_NE(nullptr, raw);
        return raw;
    }

    VrURI* uri = nullptr;
};

TEST_F(HadoopBackend, BufferSizeFromTheUriOrTheDefault) {
    struct Case {
        const char* location;
        int requested;
        int chosen;
    };
    for (const Case& c : {Case{"hadoop://nn:9870/f", 0, 16384}, Case{"hadoop://nn:9870/f?buffersize=4096", 0, 4096},
                          Case{"hadoop://nn:9870/f?buffersize=4096", 100, 100}}) {
        VrbIORaw* raw = stream(c.location);
        int size = c.requested, encoding = -1;
        ASSERT_TRUE(raw->open(1, 0, &size, &encoding));
        EXPECT_EQ(c.chosen, size) << c.location;
        EXPECT_EQ(c.chosen, script().openedBufferSize);
        EXPECT_EQ(0, encoding);
        EXPECT_EQ("/f", script().openedPath);
        raw->close();
        raw->destroy();
        uri->release();
        uri = nullptr;
    }
    VrbIORaw* raw = stream();
    int size = 0, encoding = 46;
    ASSERT_TRUE(raw->open(2, 0, &size, &encoding));
    EXPECT_EQ(46, encoding);
    EXPECT_EQ(2, script().openedMode);
    raw->destroy();
}

TEST_F(HadoopBackend, ReadsHandOutPiecesOrGatherThem) {
    script().content = "abcdefghij";
    script().pieces = {4, 1, 1, 10};
    VrbIORaw* raw = stream();
    int size = 0, encoding = 0;
    ASSERT_TRUE(raw->open(1, 0, &size, &encoding));
    char* data = nullptr;
    ASSERT_EQ(4, raw->read(&data, 3, 100));   // one piece is enough: no copy
    EXPECT_EQ("abcd", std::string(data, 4));
    // Pieces of 1 and 1 start gathering; the next piece may overshoot.
    ASSERT_EQ(6, raw->read(&data, 3, 100));
    EXPECT_STREQ("efghij", data);
    EXPECT_EQ(0, raw->read(&data, 0, 100));
    raw->destroy();
}

TEST_F(HadoopBackend, TheMinimumHoldsWhenTheMaximumIsSmaller) {
    // buffersize=2 gives the text layer a maximum of 2 when it needs 3 bytes
    // to see a UTF-8 byte-order mark.
    script().content = "\xEF\xBB\xBFtext";
    script().pieces = {1};
    VrbIORaw* raw = stream("hadoop://nn:9870/f?buffersize=2");
    int size = 0, encoding = 0;
    ASSERT_TRUE(raw->open(1, 0, &size, &encoding));
    ASSERT_EQ(2, size);
    char* data = nullptr;
    ASSERT_EQ(3, raw->read(&data, 3, size));
    EXPECT_STREQ("\xEF\xBB\xBF", data);
    raw->destroy();
}

TEST_F(HadoopBackend, WritesGoOutInWholeBlocksAndTheRestAtClose) {
    VrbIORaw* raw = stream("hadoop://nn:9870/f?buffersize=8");
    int size = 0, encoding = 0;
    ASSERT_TRUE(raw->open(2, 0, &size, &encoding));
    EXPECT_EQ(0, raw->write("", 0));
    EXPECT_EQ(5, raw->write("abcde", 5));
    EXPECT_EQ(0, fakehadoop::countCalls("write"));
    EXPECT_EQ(3, raw->write("fgh", 3));   // fills the block exactly
    EXPECT_EQ(1, fakehadoop::countCalls("write 8"));
    EXPECT_EQ(12, raw->write("ijklmnopqrst", 12));
    EXPECT_TRUE(raw->close());
    EXPECT_TRUE(raw->close());
    EXPECT_EQ("abcdefghijklmnopqrst", script().written);
    EXPECT_EQ(3, fakehadoop::countCalls("write"));
    raw->destroy();
}

TEST_F(HadoopBackend, CloseAfterAFailedHandOverDropsTheRestAndSaysSo) {
    script().failWriteCall = 0;
    VrbIORaw* raw = stream("hadoop://nn:9870/f?buffersize=4");
    int size = 0, encoding = 0;
    ASSERT_TRUE(raw->open(2, 0, &size, &encoding));
    EXPECT_EQ(-1, raw->write("abcd", 4));
    EXPECT_STREQ("fake write failure", raw->errorText().asCstr());
    EXPECT_FALSE(raw->close());   // bytes were lost: never reported as success
    EXPECT_STREQ("fake write failure", raw->errorText().asCstr());
    EXPECT_EQ(1, fakehadoop::countCalls("write"));
    raw->destroy();
}

TEST_F(HadoopBackend, ReadModeCloseNeverWritesAndDestroyWithoutCloseSendsNothing) {
    script().content = "abc";
    VrbIORaw* reader = stream();
    int size = 0, encoding = 0;
    ASSERT_TRUE(reader->open(1, 0, &size, &encoding));
    EXPECT_TRUE(reader->close());
    EXPECT_EQ(0, fakehadoop::countCalls("write"));
    reader->destroy();
    uri->release();
    uri = nullptr;

    VrbIORaw* writer = stream();
    ASSERT_TRUE(writer->open(2, 0, &size, &encoding));
    EXPECT_EQ(3, writer->write("xyz", 3));
    writer->destroy();
    EXPECT_EQ(0, fakehadoop::countCalls("write"));
}

TEST_F(HadoopBackend, Skipping) {
    script().content = "0123456789";
    script().pieces = {3};
    VrbIORaw* raw = stream("hadoop://nn:9870/f?buffersize=4");
    int size = 0, encoding = 0;
    ASSERT_TRUE(raw->open(1, 0, &size, &encoding));
    EXPECT_EQ(0, raw->skip(0));
    EXPECT_EQ(0, raw->skip(-5));
    EXPECT_EQ(7, raw->skip(7));   // 3 + 3 + 1
    char* data = nullptr;
    ASSERT_EQ(3, raw->read(&data, 0, 10));
    EXPECT_EQ("789", std::string(data, 3));
    EXPECT_EQ(0, raw->skip(5));   // past the end
    raw->destroy();
}

TEST_F(HadoopBackend, FailedOpensReleaseWhatWasMadeInReverseOrder) {
    script().failOpenFile = true;
    VrbIORaw* raw = stream();
    int size = 0, encoding = 0;
    EXPECT_FALSE(raw->open(1, 0, &size, &encoding));
    EXPECT_STREQ("fake open failure", raw->errorText().asCstr());
    EXPECT_TRUE(raw->close());
    raw->destroy();
    EXPECT_EQ((std::vector<std::string>{"release file system", "release connection", "release hadoop"}),
              script().calls);

    fakehadoop::reset();
    script().failFileSystem = true;
    uri->release();
    raw = stream();
    EXPECT_FALSE(raw->open(1, 0, &size, &encoding));
    EXPECT_STREQ("fake file system failure", raw->errorText().asCstr());
    EXPECT_EQ((std::vector<std::string>{"release connection", "release hadoop"}), script().calls);
    raw->destroy();
}

TEST_F(HadoopBackend, AllocationFailureOfTheGatheringBuffer) {
    script().content = "abcdef";
    script().pieces = {1};
    VrbIORaw* raw = stream();
    int size = 0, encoding = 0;
    ASSERT_TRUE(raw->open(1, 0, &size, &encoding));
    char* data = nullptr;
    vrbtest::failAllocationAfter(0);
    EXPECT_EQ(-1, raw->read(&data, 3, 100));
    vrbtest::clearAllocationFault();
    EXPECT_NE(std::string::npos, std::string(raw->errorText().asCstr()).find("Hadoop Raw IO Buffer"));
    raw->destroy();
}

// Listing.

class HadoopListing : public HadoopBackend {
protected:
    VrbDirectoryListing* listing(int flags, VrbString* error) {
        uri = getURIFromURIString(VrbString("hadoop://nn:9870/data?user=alice", true));
        return createHadoopDirectoryListing(nullptr, {uri, uri->path()}, flags, error);
    }
    std::vector<std::string> names(VrbDirectoryListing* list) {
        std::vector<std::string> out;
        while (list->next()) out.push_back(list->name().asCstr());
        EXPECT_STREQ("", list->errorText().asCstr());
        return out;
    }
};

TEST_F(HadoopListing, FlagsChooseEntries) {
    script().entries = {{"a.txt", 5, false, false, 10}, {"sub", 0, true, false, 20}, {"b.txt", 7, false, true, 30}};
    struct Case {
        unsigned flags;
        std::vector<std::string> expected;
    };
    for (const Case& c : {Case{0, {"a.txt", "sub", "b.txt"}}, Case{VRB_LIST_DIRS_ONLY, {"sub"}},
                          Case{VRB_LIST_DIRS_ONLY | VRB_LIST_FILES_ONLY, {"sub"}},
                          Case{VRB_LIST_FILES_ONLY, {"a.txt", "b.txt"}}}) {
        VrbString error;
        VrbDirectoryListing* list = listing(static_cast<int>(c.flags), &error);
        ASSERT_NE(nullptr, list) << error.asCstr();
        EXPECT_EQ(c.expected, names(list));
        list->destroy();
        uri->release();
        uri = nullptr;
    }
    EXPECT_EQ("/data", script().listedPath);
}

TEST_F(HadoopListing, EntryAttributes) {
    script().entries = {{"big.bin", (std::int64_t{1} << 32) + 42, false, true, 86400}};
    VrbString error;
    VrbDirectoryListing* list = listing(0, &error);
    ASSERT_NE(nullptr, list);
    ASSERT_TRUE(list->next());
    EXPECT_EQ(INT_MAX, list->extraValue()) << "saturated, not cut to its low 32 bits";
    EXPECT_EQ(86400, list->timeStamp());
    EXPECT_TRUE(list->isReadOnly());
    EXPECT_FALSE(list->isDirectory());
    EXPECT_STREQ("/data/big.bin", list->fullPath().asCstr());
    EXPECT_EQ(2026, list->date().year());
    EXPECT_FALSE(list->next());
    list->destroy();
}

TEST_F(HadoopListing, AllFilteredOutEndsCleanlyAndFailuresSayWhy) {
    script().entries = {{"a", 1, false, false, 0}};
    VrbString error;
    VrbDirectoryListing* list = listing(static_cast<int>(VRB_LIST_DIRS_ONLY), &error);
    ASSERT_NE(nullptr, list);
    EXPECT_FALSE(list->next());
    EXPECT_STREQ("", list->errorText().asCstr());
    list->destroy();
    uri->release();

    script().failNextAt = 0;
    list = listing(0, &error);
    EXPECT_FALSE(list->next());
    EXPECT_STREQ("fake listing failure", list->errorText().asCstr());
    list->destroy();
}

TEST_F(HadoopListing, PathsJoinAndSplitWithSlashes) {
    VrbString error;
    VrbDirectoryListing* list = listing(0, &error);
    ASSERT_NE(nullptr, list);
    auto concat = [&](const char* d, const char* n) {
        return std::string(list->concatPath(VrbString(d, true), VrbString(n, true)).asCstr());
    };
    EXPECT_EQ("/a/b", concat("/a", "b"));
    EXPECT_EQ("/a", concat("/a", ""));
    EXPECT_EQ("", concat("", "b"));
    EXPECT_EQ("/a//b", concat("/a/", "b"));
    VrbString name;
    EXPECT_STREQ("/a", list->splitPath(VrbString("/a/b", true), &name).asCstr());
    EXPECT_STREQ("b", name.asCstr());
    EXPECT_STREQ("plain", list->splitPath(VrbString("plain", true), &name).asCstr());
    EXPECT_STREQ("", name.asCstr());
    EXPECT_STREQ("", list->splitPath(VrbString("/top", true), &name).asCstr());
    EXPECT_STREQ("top", name.asCstr());
    EXPECT_STREQ("/x", list->splitPath(VrbString("/x/y", true), nullptr).asCstr());
    list->destroy();
}

TEST_F(HadoopListing, FailedOpensReleaseEverything) {
    script().failDirIterator = true;
    VrbString error;
    EXPECT_EQ(nullptr, listing(0, &error));
    EXPECT_STREQ("fake iterator failure", error.asCstr());
    EXPECT_EQ((std::vector<std::string>{"release file system", "release connection", "release hadoop"}),
              script().calls);
    uri->release();

    fakehadoop::reset();
    script().failConnect = true;
    EXPECT_EQ(nullptr, listing(0, &error));
    EXPECT_STREQ("fake connect failure", error.asCstr());
    EXPECT_EQ((std::vector<std::string>{"release hadoop"}), script().calls);
}

TEST_F(HadoopListing, OpeningAnEntryClearsTheCallersError) {
    script().entries = {{"a.txt", 1, false, false, 0}};
    VrbString error;
    VrbDirectoryListing* list = listing(0, &error);
    ASSERT_TRUE(list->next());
    VrbString openError("stale text", true);
    VrbTxtFile* file = list->openTextFile(1, 0, 0, &openError);
    // Without a cluster behind the fake the open fails, with its own message.
    if (file) file->destroy();
    EXPECT_STRNE("stale text", openError.asCstr());
    list->destroy();
}

}  // namespace
