#include "hx/hx_dir.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "child_process.h"
#endif

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hx_dir_test_support.h"
#include "support/test_support.h"

namespace {

using namespace vrbtest;
using vrbtest::TempDir;
using vrbtest::writeFile;

#if !defined(_WIN32)
void setModified(const std::string& path, time_t seconds, int flags = 0) {
    timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, flags), 0) << path;
}

class DirectoryTree : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(dir.file("file.txt"), "12345");
        ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
        ASSERT_EQ(symlink("sub", dir.file("link-to-dir").c_str()), 0);
        ASSERT_EQ(symlink("file.txt", dir.file("link-to-file").c_str()), 0);
        ASSERT_EQ(symlink("missing", dir.file("dangling").c_str()), 0);
        setModified(dir.file("file.txt"), 1000000000);
        setModified(dir.file("dangling"), 1234567890, AT_SYMLINK_NOFOLLOW);
    }
    TempDir dir;
};

TEST_F(DirectoryTree, SelectionsFollowLinksAndSkipDotEntries) {
    auto all = listAll(dir.path(), kAll);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[dir.file("sub")].type, 1u);
    EXPECT_EQ(all[dir.file("link-to-dir")].type, 1u) << "a link to a directory is a directory";
    EXPECT_EQ(all[dir.file("file.txt")].type, 0u);
    EXPECT_EQ(all[dir.file("link-to-file")].type, 0u);
    EXPECT_EQ(all[dir.file("dangling")].type, 0u);

    auto files = listAll(dir.path(), kAll | HX_DIR_FILES_ONLY);
    EXPECT_EQ(files.size(), 3u);
    EXPECT_EQ(files.count(dir.file("sub")), 0u);
    auto dirs = listAll(dir.path(), kAll | HX_DIR_DIRS_ONLY);
    EXPECT_EQ(dirs.size(), 2u);
    EXPECT_EQ(dirs.count(dir.file("link-to-dir")), 1u);
    EXPECT_EQ(listAll(dir.path(), kAll | HX_DIR_DIRS_ONLY | HX_DIR_FILES_ONLY).size(), 2u) << "directories win";
}

TEST_F(DirectoryTree, RecordsCarryTimeAndSizeOfTargetOrDanglingLink) {
    auto all = listAll(dir.path() + "/", kAll);
    ASSERT_EQ(all.count(dir.file("file.txt")), 1u) << "no doubled separator after a trailing one";
    EXPECT_EQ(all[dir.file("file.txt")].timeStamp, 1000000000u);
    EXPECT_EQ(all[dir.file("file.txt")].extraValue, 5u);
    EXPECT_EQ(all[dir.file("link-to-file")].timeStamp, 1000000000u);
    EXPECT_EQ(all[dir.file("link-to-file")].extraValue, 5u);
    EXPECT_EQ(all[dir.file("dangling")].timeStamp, 1234567890u) << "the link's own time";
    EXPECT_EQ(all[dir.file("dangling")].extraValue, 7u) << "the link's own size: its target's name";

    auto bare = listAll(dir.path(), HX_DIR_NAMES);
    EXPECT_EQ(bare[dir.file("file.txt")].timeStamp, 0u) << "no record values without HX_DIR_STAT";
    EXPECT_EQ(bare[dir.file("link-to-dir")].type, 1u);
    EXPECT_EQ(listAll(dir.path(), HX_DIR_STAT).count("file.txt"), 1u) << "the name alone without HX_DIR_NAMES";
}

TEST(DirectoryRecord, TimeAndSizeSaturateAtTheRecordsRange) {
    TempDir dir;
    writeFile(dir.file("old"), "");
    writeFile(dir.file("future"), "");
    setModified(dir.file("old"), -86400);
    setModified(dir.file("future"), time_t{1} << 33);
    int fd = open(dir.file("huge").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t{5} << 30), 0);
    close(fd);

    auto all = listAll(dir.path(), kAll);
    EXPECT_EQ(all[dir.file("old")].timeStamp, 0u);
    EXPECT_EQ(all[dir.file("future")].timeStamp, 0xFFFFFFFFu);
    EXPECT_EQ(all[dir.file("old")].modified, -86400) << "the full time keeps what the 32 bits cannot";
    EXPECT_EQ(all[dir.file("future")].modified, int64_t{1} << 33);
    EXPECT_EQ(all[dir.file("huge")].extraValue, 0xFFFFFFFFu);
}

#endif

TEST(DirectoryOpen, RefusalsMapToResultCodes) {
    TempDir dir;
    writeFile(dir.file("file"), "x");
    hx_dir_t handle = reinterpret_cast<hx_dir_t>(&dir);
    EXPECT_EQ(hx_dir_open(dir.file("missing").c_str(), kAll, &handle), HX_DIR_NOT_FOUND);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(hx_dir_open(dir.file("file").c_str(), kAll, &handle), HX_DIR_NOT_A_DIR);
    EXPECT_EQ(hx_dir_open(nullptr, kAll, &handle), HX_DIR_INVALID);
    for (int code : {2, 3, 4, 5, 6, 7, 8}) EXPECT_NE(hx_dir_errdesc(code), nullptr) << code;
    EXPECT_EQ(hx_dir_errdesc(0), nullptr);
    EXPECT_EQ(hx_dir_errdesc(99), nullptr);
}

#if !defined(_WIN32)
TEST(DirectoryOpen, FifosLoopsAndClosedDirectoriesAreRefused) {
    TempDir dir;
    writeFile(dir.file("file"), "x");
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0666), 0);
    ASSERT_EQ(symlink("loop", dir.file("loop").c_str()), 0);
    hx_dir_t handle = reinterpret_cast<hx_dir_t>(&dir);

    EXPECT_EQ(hx_dir_open(dir.file("fifo").c_str(), kAll, &handle), HX_DIR_NOT_A_DIR) << "and does not block";
    int loop = hx_dir_open(dir.file("loop").c_str(), kAll, &handle);
    EXPECT_EQ(loop, HX_DIR_SYSTEM + ELOOP);
    EXPECT_STREQ(hx_dir_errdesc(loop), "Too many levels of symbolic links");

    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(mkdir(dir.file("closed").c_str(), 0700), 0);
    int status = vrbtest::runInChild([&] {
        if (!vrbtest::dropToNobody()) return vrbtest::kChildCannotSetUp;
        hx_dir_t denied = nullptr;
        return hx_dir_open(dir.file("closed").c_str(), kAll, &denied) == HX_DIR_DENIED ? 0 : 1;
    });
    if (status == vrbtest::kChildCannotSetUp) GTEST_SKIP() << "cannot drop privileges here";
    EXPECT_EQ(status, 0);
}
#endif

TEST(DirectoryEntries, PathLongerThanTheBufferFailsWithoutTruncating) {
    TempDir dir;
    writeFile(dir.file("a-rather-long-name.txt"), "");
    writeFile(dir.file("b"), "");
    hx_dir_t handle = nullptr;
    ASSERT_EQ(hx_dir_open(dir.path().c_str(), kAll, &handle), HX_DIR_OK);
    const std::size_t fits = dir.file("b").size() + 1;
    std::string buffer(fits + 8, '#');
    hx_dir_record_t record;
    std::vector<std::string> seen;
    int code, failures = 0;
    while ((code = hx_dir_next_stat(handle, buffer.data(), static_cast<int>(fits), &record)) != HX_DIR_END) {
        if (code == HX_DIR_TOO_LONG) {
            ++failures;
        } else {
            ASSERT_EQ(code, HX_DIR_OK);
            seen.emplace_back(buffer.c_str());
        }
        EXPECT_EQ(buffer.substr(fits), std::string(8, '#')) << "nothing written past the capacity";
    }
    hx_dir_close(handle);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(seen, std::vector<std::string>{dir.file("b")}) << "the listing goes on after the failure";
    EXPECT_STREQ(hx_dir_errdesc(HX_DIR_TOO_LONG), "Entry path longer than the path buffer");
#if !defined(_WIN32)
    EXPECT_EQ(hx_dir_pathlen, PATH_MAX);
#endif
}

TEST(DirectoryEntries, ListingAllocatesNothingPerEntry) {
    TempDir dir;
    for (int i = 0; i < 500; ++i) writeFile(dir.file("f" + std::to_string(i)), "");
    hx_dir_t handle = nullptr;
    ASSERT_EQ(hx_dir_open(dir.path().c_str(), kAll, &handle), HX_DIR_OK);
    std::vector<char> buffer(static_cast<std::size_t>(hx_dir_pathlen));
    hx_dir_record_t record;
    int count = 0;
    vrbtest::AllocationCounter allocations;
    while (hx_dir_next_stat(handle, buffer.data(), hx_dir_pathlen, &record) == HX_DIR_OK) ++count;
    EXPECT_EQ(allocations.count(), 0u);
    hx_dir_close(handle);
    EXPECT_EQ(count, 500);
}

}  // namespace
