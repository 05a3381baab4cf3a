// Windows counterparts of the POSIX-only cases: the read-only attribute,
// files held open without sharing, and paths beyond MAX_PATH.
#include <windows.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "hx/hx_dir.h"
#include "hx/hx_fio.h"
#include "hx_dir_test_support.h"
#include "support/test_support.h"

namespace {

using namespace vrbtest;

constexpr unsigned char kRead = 9, kAppend = 14, kWrite = 78, kCheckWrite = 130;


TEST(WindowsFileCheck, TheReadOnlyAttributeRefusesWritingOnly) {
    TempDir dir;
    std::string path = dir.file("a.txt");
    writeFile(path, "r");
    ASSERT_TRUE(setReadOnly(path, true));
    hx_file_t file = nullptr;
    EXPECT_EQ(hx_fio_open(path.c_str(), kCheckWrite, nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(hx_fio_open(path.c_str(), kAppend, &file), ERROR_ACCESS_DENIED);
    EXPECT_EQ(hx_fio_open(path.c_str(), kWrite, &file), ERROR_ACCESS_DENIED);
    EXPECT_EQ(readFile(path), "r") << "nothing truncated";
    EXPECT_EQ(hx_fio_open(path.c_str(), kRead | HX_FIO_CHECK, nullptr), 0);
    ASSERT_EQ(hx_fio_open(path.c_str(), kRead, &file), 0);
    hx_fio_close(file);

    ASSERT_TRUE(setReadOnly(path, false));
    EXPECT_EQ(hx_fio_open(path.c_str(), kCheckWrite, nullptr), 0) << "asked anew";
}

TEST(WindowsFileCheck, AFileHeldWithoutSharingIsReportedAsInUse) {
    TempDir dir;
    std::string path = dir.file("held.txt");
    writeFile(path, "x");
    HANDLE held = CreateFileW(fsPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    hx_file_t file = nullptr;
    EXPECT_EQ(hx_fio_open(path.c_str(), kCheckWrite, nullptr), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(hx_fio_open(path.c_str(), kRead, &file), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(hx_fio_errdesc(ERROR_SHARING_VIOLATION), systemErrorText(ERROR_SHARING_VIOLATION));
    CloseHandle(held);
    EXPECT_EQ(hx_fio_open(path.c_str(), kCheckWrite, nullptr), 0);
}

// A directory whose path is far beyond MAX_PATH, made through the
// extended-length form the layer is to use by itself.
std::string makeLongDirectory(const TempDir& dir) {
    std::string path = dir.path();
    while (path.size() < 2 * MAX_PATH) path += "\\" + std::string(60, 'd');
    std::filesystem::create_directories(fsPath("\\\\?\\" + path));
    return path;
}

TEST(WindowsLongPaths, FilesBeyondMaxPathOpenStatAndList) {
    TempDir dir;
    const std::string deep = makeLongDirectory(dir);
    const std::string path = deep + "\\long.txt";
    ASSERT_GT(path.size(), static_cast<std::size_t>(MAX_PATH));

    hx_file_t file = nullptr;
    ASSERT_EQ(hx_fio_open(path.c_str(), kWrite, &file), 0);
    ASSERT_EQ(hx_fio_putb(file, "12345", 5), 5);
    hx_fio_close(file);
    hx_fio_stat_t status;
    ASSERT_EQ(hx_fio_stat64(path.c_str(), &status), 0);
    EXPECT_EQ(status.size, 5);
    EXPECT_EQ(hx_fio_open(path.c_str(), kCheckWrite, nullptr), 0);

    // Forward slashes and a relative step name the same file.
    std::string slashed = path;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    slashed.insert(slashed.rfind('/'), "/.");
    ASSERT_EQ(hx_fio_open(slashed.c_str(), kRead, &file), 0);
    char bytes[8];
    EXPECT_EQ(hx_fio_getb(file, bytes, sizeof bytes), 5);
    hx_fio_close(file);

    auto entries = listAll(deep, kAll);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.begin()->first, path) << "the path as the caller named its directory";
    EXPECT_EQ(entries.begin()->second.extraValue, 5u);
    EXPECT_GE(hx_dir_pathlen, 32767 * 3) << "room for the longest extended-length path in UTF-8";
}

TEST(WindowsPaths, DriveLettersAndBothSeparators) {
    TempDir dir;
    writeFile(dir.file("a.txt"), "a");
    std::string slashed = dir.path();
    for (char& c : slashed)
        if (c == '\\') c = '/';
    ASSERT_EQ(slashed[1], ':') << "a drive-letter path";
    auto entries = listAll(slashed + "/", kAll);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.begin()->first, slashed + "/a.txt") << "no separator added after one already there";
    hx_file_t file = nullptr;
    ASSERT_EQ(hx_fio_open((slashed + "/a.txt").c_str(), kRead, &file), 0);
    hx_fio_close(file);
}

}  // namespace
