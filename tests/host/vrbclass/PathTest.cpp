#include <gtest/gtest.h>

#include <string>

#include "path_style.h"
#include "vrbclass/vrb_path.h"

namespace {

using vrbpath::PathStyle;

struct JoinCase {
    const char* directory;
    const char* name;
    const char* joined;
};

struct SplitCase {
    const char* path;
    const char* directory;
    const char* name;
};

std::string join(const JoinCase& c, PathStyle style) {
    return vrbpath::concatPath(VrbString(c.directory, true), VrbString(c.name, true), style).asCstr();
}

void expectSplits(const SplitCase& c, PathStyle style) {
    VrbString name("stale", true);
    VrbString directory = vrbpath::parsePath(VrbString(c.path, true), &name, style);
    EXPECT_STREQ(directory.asCstr(), c.directory) << c.path;
    EXPECT_STREQ(name.asCstr(), c.name) << c.path;
}

TEST(Path, PosixJoin) {
    for (const JoinCase& c : {
             JoinCase{"/a", "b", "/a/b"},
             JoinCase{"/a/", "b", "/a/b"},
             JoinCase{"/a/", "/b", "/a/b"},
             JoinCase{"/a", "/b", "/a/b"},
             JoinCase{"/", "b", "/b"},
             JoinCase{"", "b", "b"},
             JoinCase{"/a", "", "/a"},
             JoinCase{"a\\", "b", "a\\/b"},
         }) {
        EXPECT_EQ(join(c, PathStyle::Posix), c.joined) << c.directory << " + " << c.name;
    }
}

TEST(Path, WindowsJoinWritesBackslashes) {
    for (const JoinCase& c : {
             JoinCase{"C:\\a", "b", "C:\\a\\b"},
             JoinCase{"C:/a/", "b", "C:/a/b"},
             JoinCase{"C:\\", "\\b", "C:\\b"},
             JoinCase{"C:", "b", "C:b"},
             JoinCase{"\\\\srv\\share", "b", "\\\\srv\\share\\b"},
         }) {
        EXPECT_EQ(join(c, PathStyle::Windows), c.joined) << c.directory << " + " << c.name;
    }
}

TEST(Path, PosixSplit) {
    for (const SplitCase& c : {
             SplitCase{"/a/b", "/a", "b"},
             SplitCase{"b", "", "b"},
             SplitCase{"/b", "/", "b"},
             SplitCase{"/", "/", ""},
             SplitCase{"", "", ""},
             SplitCase{"/a/b/", "/a/b", ""},
             SplitCase{"/a//b", "/a", "b"},
             SplitCase{"a/b", "a", "b"},
             SplitCase{"//b", "//", "b"},
             SplitCase{"C:\\a", "", "C:\\a"},
         }) {
        expectSplits(c, PathStyle::Posix);
    }
}

TEST(Path, WindowsSplitKeepsDrivesAndUncRoots) {
    for (const SplitCase& c : {
             SplitCase{"C:\\a\\b", "C:\\a", "b"},
             SplitCase{"C:\\a/b", "C:\\a", "b"},
             SplitCase{"C:\\a", "C:\\", "a"},
             SplitCase{"C:a", "C:", "a"},
             SplitCase{"C:\\", "C:\\", ""},
             SplitCase{"\\\\srv\\share\\a", "\\\\srv\\share\\", "a"},
             SplitCase{"\\\\srv\\share", "\\\\srv\\share", ""},
             SplitCase{"\\a", "\\", "a"},
             SplitCase{"a", "", "a"},
         }) {
        expectSplits(c, PathStyle::Windows);
    }
}

TEST(Path, PublicFunctionsFollowThePlatformAndAcceptNoNameOutput) {
    EXPECT_STREQ(vrbConcatPath(VrbString("/tmp", true), VrbString("x", true)).asCstr(),
                 vrbpath::kNativePathStyle == PathStyle::Windows ? "/tmp\\x" : "/tmp/x");
    EXPECT_STREQ(vrbParsePath(VrbString("/tmp/x", true), nullptr).asCstr(), "/tmp");
}

}  // namespace
