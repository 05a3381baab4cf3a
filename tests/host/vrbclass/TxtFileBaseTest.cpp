#include <gtest/gtest.h>

#include <string>

#include "vrbclass/VrbTxtFile.h"

namespace {

// Records what reaches the slots that implementations provide.
class RecordingTxtFile final : public VrbTxtFile {
public:
    std::string calls;

    bool close() override { return true; }
    int encoding() override { return 0; }
    VrbString errorText() override { return VrbString(); }
    int readText(int, char**) override { return 0; }
    int readBytes(int, char**) override { return 0; }
    int readBytesInLine(int, char**, bool*) override { return 0; }
    int readLine(int, char**, bool*) override { return 0; }
    bool seek(int, int) override { return true; }
    void destroy() override {}
    std::int64_t size() override { return 0; }
    int skipText(int, bool*) override { return 0; }
    std::int64_t tell() override { return 0; }
    bool write(const char* text, int length, int width) override {
        return record("write", text, length, std::to_string(width));
    }
    bool write(const char* text, int length) override { return record("write", text, length, "-"); }
    bool writeln(const char* text, int length, int width) override {
        return record("writeln", text, length, std::to_string(width));
    }
    bool writeln(const char* text, int length) override { return record("writeln", text, length, "-"); }

    using VrbTxtFile::write;
    using VrbTxtFile::writeln;

private:
    bool record(const char* operation, const char* text, int length, const std::string& width) {
        EXPECT_NE(text, nullptr);
        calls += std::string(operation) + "(" + std::string(text, static_cast<std::size_t>(length)) + "," +
                 std::to_string(length) + "," + width + ")";
        return length != 3;
    }
};

TEST(TxtFileBase, BaseWritesForwardTextAndLength) {
    RecordingTxtFile file;
    VrbTxtFile& base = file;
    VrbString text("ab\xC3\xA9", true);
    EXPECT_TRUE(base.write(text, 7));
    EXPECT_TRUE(base.write(text));
    EXPECT_TRUE(base.write("xy"));
    EXPECT_TRUE(base.writeln(text, 2));
    EXPECT_TRUE(base.writeln(text));
    EXPECT_TRUE(base.writeln("z"));
    EXPECT_EQ(file.calls,
              "write(ab\xC3\xA9,4,7)write(ab\xC3\xA9,4,-)write(xy,2,-)"
              "writeln(ab\xC3\xA9,4,2)writeln(ab\xC3\xA9,4,-)writeln(z,1,-)");
}

TEST(TxtFileBase, NullTextsAreEmptyAndResultsPassThrough) {
    RecordingTxtFile file;
    VrbTxtFile& base = file;
    const char* none = nullptr;
    EXPECT_TRUE(base.write(none));
    EXPECT_TRUE(base.writeln(none));
    EXPECT_TRUE(base.write(VrbString()));
    EXPECT_EQ(file.calls, "write(,0,-)writeln(,0,-)write(,0,-)");
    EXPECT_FALSE(base.writeln("abc"));
}

}  // namespace
