// Windows counterparts of the listing's POSIX-only cases: the read-only
// state from the read-only attribute, and directories beyond MAX_PATH.
#include <windows.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "file_test_support.h"
#include "support/test_support.h"
#include "vrbaseio/VrbIOImpl.h"
#include "vrbaseio_file/local_backend.h"

namespace {

using namespace vrbtest;


// Positions `listing` on the entry called `name`.
bool seekEntry(VrbDirectoryListing* listing, const std::string& name) {
    while (listing->next())
        if (text(listing->name()) == name) return true;
    return false;
}

TEST(WindowsListing, ReadOnlyFollowsTheAttributeAtEachCall) {
    TempDir dir;
    writeFile(dir.file("a.txt"), "abc");
    std::filesystem::create_directory(fsPath(dir.file("sub")));
    VrbString error;
    Owned<VrbDirectoryListing> listing(createLocalDirectoryListing(nullptr, VrbString(dir.path().c_str(), false),
                                                                   0, &error));
    ASSERT_TRUE(listing) << text(error);
    ASSERT_TRUE(seekEntry(listing.get(), "a.txt"));
    EXPECT_FALSE(listing->isReadOnly());
    ASSERT_TRUE(setReadOnly(dir.file("a.txt"), true));
    EXPECT_TRUE(listing->isReadOnly()) << "without another next()";
    ASSERT_TRUE(setReadOnly(dir.file("a.txt"), false));
    EXPECT_FALSE(listing->isReadOnly());
    std::filesystem::remove(fsPath(dir.file("a.txt")));
    EXPECT_TRUE(listing->isReadOnly()) << "gone";

    Owned<VrbDirectoryListing> directories(createLocalDirectoryListing(
        nullptr, VrbString(dir.path().c_str(), false), static_cast<int>(VRB_LIST_DIRS_ONLY), &error));
    ASSERT_TRUE(directories && directories->next());
    EXPECT_TRUE(directories->isReadOnly()) << "a directory does not open for writing";
}

TEST(WindowsListing, EntriesBeyondMaxPathListAndOpen) {
    TempDir dir;
    std::string deep = dir.path();
    while (deep.size() < 2 * MAX_PATH) deep += "\\" + std::string(60, 'd');
    std::filesystem::create_directories(fsPath("\\\\?\\" + deep));
    VrbIOImpl service;
    VrbString error;
    VrbTxtFile* written = service.openTextFile(VrbString((deep + "\\t.txt").c_str(), false), 2, 0,
                                               static_cast<int>(VRB_TXT_NEWLINE_LF), &error);
    ASSERT_NE(written, nullptr) << text(error);
    ASSERT_TRUE(written->writeln("deep"));
    ASSERT_TRUE(written->close());
    written->destroy();

    Owned<VrbDirectoryListing> listing(createLocalDirectoryListing(&service, VrbString(deep.c_str(), false), 0,
                                                                   &error));
    ASSERT_TRUE(listing) << text(error);
    ASSERT_TRUE(listing->next()) << text(listing->errorText());
    EXPECT_EQ(text(listing->fullPath()), deep + "\\t.txt");
    EXPECT_EQ(text(listing->name()), "t.txt");
    EXPECT_EQ(listing->extraValue(), 5);
    EXPECT_FALSE(listing->isReadOnly());
    VrbTxtFile* file = listing->openTextFile(1, 0, 0, &error);
    ASSERT_NE(file, nullptr) << text(error);
    char* line = nullptr;
    bool endOfLine = false;
    EXPECT_EQ(file->readLine(-1, &line, &endOfLine), 4);
    EXPECT_STREQ(line, "deep");
    file->destroy();
}

}  // namespace
