// Text files on the local disk through the service: marks in every mode,
// append after existing content, and failures that must not pass as success.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <string>

#include "support/system_codes.h"
#include "support/test_support.h"
#include "vrbaseio/VrbIO.h"
#include "vrbaseio/VrbIOImpl.h"

namespace {

class TextFiles : public ::testing::Test {
protected:
    void SetUp() override { service = new VrbIOImpl(); }
    void TearDown() override { service->destroy(); }

    VrbTxtFile* open(const std::string& path, int mode, int encoding, unsigned flags, VrbString* error) {
        return service->openTextFile(VrbString(path.c_str(), false), mode, encoding, static_cast<int>(flags), error);
    }
    void writeAndClose(const std::string& path, int mode, int encoding, unsigned flags, const char* line) {
        VrbString error;
        VrbTxtFile* file = open(path, mode, encoding, flags, &error);
        ASSERT_NE(nullptr, file) << error.asCstr();
        ASSERT_TRUE(file->writeln(line));
        ASSERT_TRUE(file->close()) << file->errorText().asCstr();
        file->destroy();
    }

    vrbtest::TempDir dir;
    VrbIOImpl* service = nullptr;
};

TEST_F(TextFiles, MarksInEveryMode) {
    const std::string path = dir.file("marks.txt");
    writeAndClose(path, 2, 45, VRB_TXT_WRITE_BOM | VRB_TXT_NEWLINE_LF, "hi");
    EXPECT_EQ(std::string("\xFE\xFF\0h\0i\0\n", 8), vrbtest::readFile(path));

    // Append writes no mark after what is there: it would be text.
    writeAndClose(path, 0, 45, VRB_TXT_WRITE_BOM | VRB_TXT_NEWLINE_LF, "yo");
    EXPECT_EQ(std::string("\xFE\xFF\0h\0i\0\n\0y\0o\0\n", 14), vrbtest::readFile(path));

    VrbString error;
    VrbTxtFile* file = open(path, 1, 0, VRB_TXT_DETECT_BOM, &error);
    ASSERT_NE(nullptr, file) << error.asCstr();
    EXPECT_EQ(45, file->encoding());
    EXPECT_EQ(2, file->tell());
    char* text = nullptr;
    bool eol = false;
    ASSERT_EQ(2, file->readLine(-1, &text, &eol));
    EXPECT_STREQ("hi", text);
    file->destroy();
}

TEST_F(TextFiles, AppendKeepsWhatIsThere) {
    const std::string path = dir.file("log.txt");
    vrbtest::writeFile(path, "first\r\n");
    VrbString error;
    VrbTxtFile* file = open(path, 0, 0, 0, &error);
    ASSERT_NE(nullptr, file) << error.asCstr();
    EXPECT_EQ(7, file->tell());
    EXPECT_EQ(7, file->size());
    ASSERT_TRUE(file->writeln("second"));
    ASSERT_TRUE(file->close());
    file->destroy();
    EXPECT_EQ("first\r\nsecond\r\n", vrbtest::readFile(path));
}

#if !defined(_WIN32)
TEST_F(TextFiles, AFullDeviceFailsTheCloseWithTheSystemsReason) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    VrbString error;
    VrbTxtFile* file = open("/dev/full", 2, 0, 0, &error);
    ASSERT_NE(nullptr, file) << error.asCstr();
    ASSERT_TRUE(file->writeln("nothing fits"));   // still in the buffer
    EXPECT_FALSE(file->close());
    const std::string reason = file->errorText().asCstr();
    EXPECT_NE(std::string::npos, reason.find("/dev/full")) << reason;
    EXPECT_NE(std::string::npos, reason.find("No space left on device")) << reason;
    file->destroy();
}

TEST_F(TextFiles, BigWritesThatFailMidwayReportIt) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    VrbString error;
    VrbTxtFile* file = open("/dev/full", 2, 46, 0, &error);
    ASSERT_NE(nullptr, file) << error.asCstr();
    std::string text(1 << 20, 'x');
    EXPECT_FALSE(file->write(text.c_str(), static_cast<int>(text.size())));
    EXPECT_NE(std::string::npos, std::string(file->errorText().asCstr()).find("No space left on device"));
    file->destroy();
}
#endif

TEST_F(TextFiles, WritingWhereItIsNotAllowedFailsAtOpen) {
    const std::string path = dir.file("locked.txt");
    vrbtest::writeFile(path, "x");
    VrbString error;
    EXPECT_EQ(nullptr, open(dir.path(), 2, 0, 0, &error));
    EXPECT_NE(std::string::npos, std::string(error.asCstr()).find("directory")) << error.asCstr();
    EXPECT_EQ(nullptr, open(dir.file("no/such/dir/file.txt"), 2, 0, 0, &error));
    EXPECT_NE(std::string::npos, std::string(error.asCstr()).find(vrbtest::systemErrorText(vrbtest::kCodeNoSuchDirectory)))
        << error.asCstr();
    EXPECT_EQ(nullptr, open(path, 7, 0, 0, &error));
}

TEST_F(TextFiles, CheckOnlyOpensTouchNothing) {
    const std::string path = dir.file("check.txt");
    vrbtest::writeFile(path, "keep me");
    VrbString error;
    VrbTxtFile* file = open(path, 2, 0, VRB_TXT_CHECK_ONLY | VRB_TXT_WRITE_BOM, &error);
    ASSERT_NE(nullptr, file) << error.asCstr();
    EXPECT_FALSE(file->writeln("no"));
    EXPECT_TRUE(file->close());
    file->destroy();
    EXPECT_EQ("keep me", vrbtest::readFile(path));
}

}  // namespace
