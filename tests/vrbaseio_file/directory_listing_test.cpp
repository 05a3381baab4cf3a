#include "vrbaseio_file/VrbDirectoryListingImpl.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "child_process.h"
#endif

#include <algorithm>
#include <cctype>
#include <climits>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "file_test_support.h"
#include "hx/hx_dir.h"
#include "support/test_support.h"
#include "vrbaseio/VrbIO.h"
#include "vrbaseio_file/local_backend.h"

namespace {

using vrbtest::catalogue;
using vrbtest::Owned;
using vrbtest::TempDir;
using vrbtest::text;
using vrbtest::writeFile;

constexpr int kFilesOnly = static_cast<int>(VRB_LIST_FILES_ONLY);
constexpr int kDirsOnly = static_cast<int>(VRB_LIST_DIRS_ONLY);

Owned<VrbDirectoryListing> openListing(const std::string& path, int flags, VrbString* error) {
    return Owned<VrbDirectoryListing>(createLocalDirectoryListing(nullptr, VrbString(path.c_str(), false), flags, error));
}

Owned<VrbDirectoryListing> openListing(const std::string& path, int flags = 0) {
    VrbString error;
    auto listing = openListing(path, flags, &error);
    EXPECT_TRUE(listing) << text(error);
    return listing;
}

// Entry name → isDirectory, for everything up to the end of the listing.
std::map<std::string, bool> entries(VrbDirectoryListing* listing) {
    std::map<std::string, bool> all;
    while (listing->next()) all[text(listing->name())] = listing->isDirectory();
    EXPECT_EQ(text(listing->errorText()), "") << "the end is no failure";
    return all;
}

using vrbtest::TimeZone;

void setModified(const std::string& path, std::int64_t since1970) {
    using namespace std::chrono;
    std::filesystem::last_write_time(vrbtest::fsPath(path), file_clock::from_sys(sys_seconds(seconds(since1970))));
}

// Two files and two directories; on POSIX systems also a link to a
// directory and a dangling link (making links on Windows takes privileges).
class ListingTree : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(dir.file("a.txt"), "abc");
        writeFile(dir.file("b.txt"), "");
        std::filesystem::create_directory(vrbtest::fsPath(dir.file("d1")));
        std::filesystem::create_directory(vrbtest::fsPath(dir.file("d2")));
#if !defined(_WIN32)
        ASSERT_EQ(symlink("d1", dir.file("to-d1").c_str()), 0);
        ASSERT_EQ(symlink("gone", dir.file("dangling").c_str()), 0);
#endif
    }
    TempDir dir;
};

TEST_F(ListingTree, FlagsSelectFilesDirectoriesOrBoth) {
#if defined(_WIN32)
    const std::map<std::string, bool> files{{"a.txt", false}, {"b.txt", false}};
    const std::map<std::string, bool> dirs{{"d1", true}, {"d2", true}};
#else
    const std::map<std::string, bool> files{{"a.txt", false}, {"b.txt", false}, {"dangling", false}};
    const std::map<std::string, bool> dirs{{"d1", true}, {"d2", true}, {"to-d1", true}};
#endif
    std::map<std::string, bool> all = files;
    all.insert(dirs.begin(), dirs.end());

    EXPECT_EQ(entries(openListing(dir.path(), 0).get()), all);
    EXPECT_EQ(entries(openListing(dir.path(), kFilesOnly).get()), files);
    EXPECT_EQ(entries(openListing(dir.path(), kDirsOnly).get()), dirs);
    EXPECT_EQ(entries(openListing(dir.path(), kDirsOnly | kFilesOnly).get()), dirs);
}

TEST_F(ListingTree, RefusedDirectoriesYieldNoListingAndAMessage) {
    writeFile(dir.file("plain"), "");
    std::map<std::string, std::string> refusals{
        {dir.file("missing"), catalogue(445, dir.file("missing").c_str())},
        {dir.file("plain"), catalogue(446, dir.file("plain").c_str())},
    };
#if !defined(_WIN32)
    ASSERT_EQ(symlink("loop", dir.file("loop").c_str()), 0);
    refusals[dir.file("loop")] = catalogue(467, dir.file("loop").c_str(), HX_DIR_SYSTEM + ELOOP);
#endif
    for (const auto& [path, message] : refusals) {
        VrbString error;
        EXPECT_FALSE(openListing(path, 0, &error));
        EXPECT_EQ(text(error), message);
    }
    VrbString untouched("untouched", true);
    EXPECT_TRUE(openListing(dir.path(), 0, &untouched));
    EXPECT_EQ(text(untouched), "untouched");

#if !defined(_WIN32)
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(dir.file("d1").c_str(), 0700), 0);
    const std::string expected = catalogue(447, dir.file("d1").c_str());
    int status = vrbtest::runInChild([&] {
        if (!vrbtest::dropToNobody()) return vrbtest::kChildCannotSetUp;
        VrbString error;
        if (openListing(dir.file("d1"), 0, &error)) return 1;
        return text(error) == expected ? 0 : 2;
    });
    if (status == vrbtest::kChildCannotSetUp) GTEST_SKIP() << "cannot drop privileges here";
    EXPECT_EQ(status, 0);
#endif
}

TEST(Listing, EmptyDirectoryEndsAtOnceWithoutError) {
    TempDir dir;
    auto listing = openListing(dir.path());
    EXPECT_FALSE(listing->next());
    EXPECT_EQ(text(listing->errorText()), "");
    EXPECT_EQ(text(listing->fullPath()), "") << "no entry yet";
}

TEST_F(ListingTree, EntryAttributesComeFromItsRecord) {
    setModified(dir.file("a.txt"), 86400);
#if defined(_WIN32)
    setModified(dir.file("b.txt"), 3000000000);
    const std::string late = "b.txt";
    const int lateSize = 0;
#else
    timespec times[2] = {{3000000000, 0}, {3000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, dir.file("dangling").c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    const std::string late = "dangling";
    const int lateSize = 4;  // the link's own size
#endif
    std::map<std::string, std::tuple<std::string, int, int, VrbDate>> seen;
    {
        TimeZone utc("UTC0");
        auto listing = openListing(dir.path(), kFilesOnly);
        while (listing->next())
            seen[text(listing->name())] = {text(listing->fullPath()), listing->timeStamp(), listing->extraValue(),
                                           listing->date()};
    }
    const auto& [path, timeStamp, size, date] = seen["a.txt"];
    EXPECT_EQ(path, dir.file("a.txt"));
    EXPECT_EQ(timeStamp, 86400);
    EXPECT_EQ(size, 3);
    VrbDate dayTwo;
    dayTwo.assign(1970, 1, 2, 0, 0, 0, 0);
    EXPECT_EQ(date, dayTwo);

    const auto& lateEntry = seen[late];
    EXPECT_EQ(std::get<1>(lateEntry), INT_MAX) << "beyond the int range: clamped, the date still right";
    EXPECT_EQ(std::get<2>(lateEntry), lateSize);
    VrbDate lateDate;
    lateDate.assign(2065, 1, 24, 5, 20, 0, 0);
    EXPECT_EQ(std::get<3>(lateEntry), lateDate);
}

TEST_F(ListingTree, DatesFollowTheLocalTimeZone) {
    setModified(dir.file("a.txt"), 86400);
    TimeZone tokyo("JST-9");
    auto listing = openListing(dir.path(), kFilesOnly);
    while (listing->next() && text(listing->name()) != "a.txt") {
    }
    ASSERT_EQ(text(listing->name()), "a.txt");
    VrbDate expected;
    expected.assign(1970, 1, 2, 9, 0, 0, 0);
    EXPECT_EQ(listing->date(), expected);
    EXPECT_EQ(listing->timeStamp(), 86400);
}

// Positions `listing` on the entry called `name`.
bool seek(VrbDirectoryListing* listing, const std::string& name) {
    while (listing->next())
        if (text(listing->name()) == name) return true;
    return false;
}

#if !defined(_WIN32)
TEST_F(ListingTree, ReadOnlyIsAskedOfTheFileSystemAtEachCall) {
    ASSERT_EQ(chmod(dir.file("a.txt").c_str(), 0444), 0);
    auto listing = openListing(dir.path());
    ASSERT_TRUE(seek(listing.get(), "a.txt"));
    if (geteuid() == 0) {
        EXPECT_FALSE(listing->isReadOnly()) << "root may write it all the same";
    }
    ASSERT_EQ(unlink(dir.file("a.txt").c_str()), 0);
    EXPECT_TRUE(listing->isReadOnly()) << "gone";

    auto directories = openListing(dir.path(), kDirsOnly);
    ASSERT_TRUE(directories->next());
    EXPECT_TRUE(directories->isReadOnly()) << "a directory does not open for writing";

    // Unprivileged, the answer turns with the permission bits.
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    int status = vrbtest::runInChild([&] {
        if (!vrbtest::dropToNobody()) return vrbtest::kChildCannotSetUp;
        std::string own = dir.file("own.txt");
        writeFile(own, "x");
        auto mine = openListing(dir.path(), kFilesOnly);
        if (!seek(mine.get(), "own.txt")) return 1;
        if (mine->isReadOnly()) return 2;
        if (chmod(own.c_str(), 0444) != 0) return 3;
        if (!mine->isReadOnly()) return 4;
        return 0;
    });
    if (status == vrbtest::kChildCannotSetUp) GTEST_SKIP() << "cannot drop privileges here";
    EXPECT_EQ(status, 0);
}

TEST(Listing, EntryPathTooLongFailsThatEntryWithTheLayersDescription) {
    TempDir dir;
    // Nested directories bring the listed directory's path to 3990 bytes.
    std::string deep = dir.path();
    while (deep.size() < 3990) {
        deep += "/" + std::string(std::min<std::size_t>(100, 3990 - deep.size() - 1), 'd');
        ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    }
    ASSERT_LT(deep.size() + 1 + 5, static_cast<std::size_t>(hx_dir_pathlen));
    const std::string longName(200, 'n');
    // Its full path is too long for the system calls that take paths.
    int deepFd = open(deep.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(deepFd, 0);
    int longFile = openat(deepFd, longName.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_GE(longFile, 0);
    close(longFile);
    writeFile(deep + "/short", "");

    auto listing = openListing(deep);
    std::set<std::string> names;
    int failures = 0;
    for (;;) {
        if (listing->next()) {
            names.insert(text(listing->name()));
        } else if (!text(listing->errorText()).empty()) {
            EXPECT_EQ(text(listing->errorText()),
                      "Cannot list directory " + deep + ": " + hx_dir_errdesc(HX_DIR_TOO_LONG));
            ++failures;
        } else {
            break;
        }
    }
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(names, std::set<std::string>{"short"});
    unlinkat(deepFd, longName.c_str(), 0);
    close(deepFd);
}
#endif

// Names come from the listing's own splitPath, so a derived listing can
// change how paths split.
class UpperCaseNames : public VrbDirectoryListingImpl {
public:
    using VrbDirectoryListingImpl::VrbDirectoryListingImpl;
    VrbString splitPath(const VrbString& path, VrbString* name) override {
        VrbString directory = VrbDirectoryListingImpl::splitPath(path, name);
        std::string upper = text(*name);
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        name->assign(upper.c_str());
        return directory;
    }
};

TEST_F(ListingTree, NamesComeFromTheListingsOwnSplitPath) {
    auto* listing = new UpperCaseNames(nullptr, VrbString(dir.path().c_str(), false), kDirsOnly);
    Owned<VrbDirectoryListing> owned(listing);
    VrbString error;
    ASSERT_TRUE(listing->openListing(&error));
    std::set<std::string> names;
    while (listing->next()) names.insert(text(listing->name()));
#if defined(_WIN32)
    EXPECT_EQ(names, (std::set<std::string>{"D1", "D2"}));
    EXPECT_EQ(text(listing->concatPath(VrbString("C:\\a", true), VrbString("b", true))), "C:\\a\\b");
#else
    EXPECT_EQ(names, (std::set<std::string>{"D1", "D2", "TO-D1"}));
    EXPECT_EQ(text(listing->concatPath(VrbString("/a", true), VrbString("b", true))), "/a/b");
#endif
}

// Records what a listing asks of its service.
class RecordingService final : public VrbIO {
public:
    VrbDirectoryListing* openDirectory(const VrbString&, int, VrbString*) override { return nullptr; }
    VrbTxtFile* openTextFile(const VrbString& location, int openMode, int encoding, int flags,
                             VrbString* error) override {
        calls.push_back({text(location), openMode, encoding, flags, error});
        return nullptr;
    }
    void destroy() override {}

    struct Call {
        std::string location;
        int openMode, encoding, flags;
        VrbString* error;
    };
    std::vector<Call> calls;
};

TEST_F(ListingTree, EntriesOpenThroughTheOwningService) {
    RecordingService service;
    auto* listing = new VrbDirectoryListingImpl(&service, VrbString(dir.path().c_str(), false), kFilesOnly);
    Owned<VrbDirectoryListing> owned(listing);
    VrbString error;
    ASSERT_TRUE(listing->openListing(&error));
    ASSERT_TRUE(seek(listing, "a.txt"));
    EXPECT_EQ(listing->openTextFile(1, 46, 0x00800000, &error), nullptr);
    ASSERT_EQ(service.calls.size(), 1u);
    EXPECT_EQ(service.calls[0].location, dir.file("a.txt"));
    EXPECT_EQ(service.calls[0].openMode, 1);
    EXPECT_EQ(service.calls[0].encoding, 46);
    EXPECT_EQ(service.calls[0].flags, 0x00800000);
    EXPECT_EQ(service.calls[0].error, &error);
}

// The listing's own allocations fail with 444; the layer's with its code.
TEST_F(ListingTree, FailedAllocationsAreReported) {
    const std::string outOfMemory = catalogue(444);
    const std::string layerOutOfMemory = catalogue(467, dir.path().c_str(), HX_DIR_NO_MEMORY);
    const VrbString path(dir.path().c_str(), false);
    int ownFailures = 0;
    for (std::uint64_t skip = 0;; ++skip) {
        VrbString error;
        vrbtest::failAllocationAfter(skip);
        Owned<VrbDirectoryListing> listing(createLocalDirectoryListing(nullptr, path, 0, &error));
        vrbtest::clearAllocationFault();
        if (listing) {
            EXPECT_FALSE(vrbtest::allocationFaultFired());
            break;
        }
        EXPECT_TRUE(text(error) == outOfMemory || text(error) == layerOutOfMemory) << text(error);
        ownFailures += text(error) == outOfMemory;
    }
    EXPECT_GE(ownFailures, 2) << "the object and its path buffer";
}

}  // namespace
