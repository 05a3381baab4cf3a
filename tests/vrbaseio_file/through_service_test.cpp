// The local backend as the service uses it: entries open exactly as their
// paths would, and text read through the raw stream comes out whole.
#include <string>

#include <gtest/gtest.h>

#include "file_test_support.h"
#include "support/test_support.h"
#include "vrbaseio/VrbIOImpl.h"

namespace {

using vrbtest::Owned;
using vrbtest::TempDir;
using vrbtest::text;

constexpr int kRead = 1, kWrite = 2;

std::string readAllLines(VrbTxtFile* file) {
    std::string all;
    char* line = nullptr;
    bool endOfLine = false;
    while (file->readLine(-1, &line, &endOfLine) > 0 || endOfLine) all += std::string(line) + "|";
    return all;
}

TEST(ThroughService, ListingEntriesOpenAsTheirPathsDo) {
    TempDir dir;
    // Longer than any one read of the stream, so that reads refill the buffer.
    std::string content;
    for (int i = 0; i < 30000; ++i) content += "line " + std::to_string(i) + "\r\n";
    vrbtest::writeFile(dir.file("a.txt"), content);

    VrbIOImpl service;
    VrbString error;
    Owned<VrbDirectoryListing> listing(service.openDirectory(VrbString(dir.path().c_str(), false), 0, &error));
    ASSERT_TRUE(listing) << text(error);
    ASSERT_TRUE(listing->next());
    Owned<VrbTxtFile> viaEntry(listing->openTextFile(kRead, 0, 0, &error));
    ASSERT_TRUE(viaEntry) << text(error);
    Owned<VrbTxtFile> viaPath(service.openTextFile(listing->fullPath(), kRead, 0, 0, &error));
    ASSERT_TRUE(viaPath) << text(error);

    const std::string lines = readAllLines(viaEntry.get());
    EXPECT_EQ(lines, readAllLines(viaPath.get()));
    EXPECT_EQ(lines.substr(0, 14), "line 0|line 1|");
    EXPECT_EQ(lines.substr(lines.size() - 11), "line 29999|");

    VrbString entryError, pathError;
    ASSERT_TRUE(listing->next() == false);
    Owned<VrbTxtFile> missingEntry(listing->openTextFile(7, 0, 0, &entryError));
    Owned<VrbTxtFile> missingPath(service.openTextFile(listing->fullPath(), 7, 0, 0, &pathError));
    EXPECT_FALSE(missingEntry);
    EXPECT_EQ(text(entryError), text(pathError));
}

TEST(ThroughService, WrittenTextReadsBack) {
    TempDir dir;
    VrbIOImpl service;
    VrbString error;
    const VrbString path(dir.file("w.txt").c_str(), false);
    {
        Owned<VrbTxtFile> out(service.openTextFile(path, kWrite, 0, 0x20000000, &error));
        ASSERT_TRUE(out) << text(error);
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(out->writeln("row", 3));
    }
    EXPECT_EQ(vrbtest::readFile(dir.file("w.txt")), "row\nrow\nrow\n");
}

}  // namespace
