#include <gtest/gtest.h>

#include "support/test_support.h"
#include "vrbclass/VrbString.h"

namespace {

TEST(VrbString, LiteralsAndTheirCopiesReferToTheLiteralWithoutAllocating) {
    static const char kText[] = "literal";
    vrbtest::AllocationCounter allocations;
    VrbString literal(kText, true);
    VrbString copy(literal);
    VrbString assigned;
    assigned = literal;
    EXPECT_EQ(allocations.count(), 0u);
    EXPECT_EQ(literal.asCstr(), kText);
    EXPECT_EQ(copy.asCstr(), kText);
    EXPECT_EQ(assigned.asCstr(), kText);
    EXPECT_EQ(literal.length(), 7u);
}

TEST(VrbString, BuffersAreCopied) {
    char buffer[] = "buffer";
    VrbString copied(buffer, false);
    buffer[0] = 'X';
    EXPECT_STREQ(copied.asCstr(), "buffer");
    VrbString second(copied);
    EXPECT_NE(second.asCstr(), copied.asCstr());
    EXPECT_STREQ(second.asCstr(), "buffer");
}

TEST(VrbString, NullAndEmptyBothReadAsEmptyText) {
    VrbString null;
    EXPECT_TRUE(null.isNull());
    EXPECT_STREQ(null.asCstr(), "");
    EXPECT_EQ(null.compare("", true), 0);
    EXPECT_EQ(null.compare(nullptr, true), 0);
    VrbString empty("", true);
    EXPECT_FALSE(empty.isNull());
    empty.setNull();
    EXPECT_TRUE(empty.isNull());
    VrbString fromNull(nullptr, false);
    EXPECT_TRUE(fromNull.isNull());
}

TEST(VrbString, CompareFoldsOnlyAsciiLettersAndOrdersBytesAsUnsigned) {
    VrbString text("File", true);
    EXPECT_EQ(text.compare("FILE", false), 0);
    EXPECT_NE(text.compare("FILE", true), 0);
    EXPECT_LT(text.compare("Files", false), 0);
    EXPECT_GT(VrbString("b", true).compare("a", true), 0);
    // 0xC3 sorts after ASCII, and folding leaves non-ASCII bytes alone.
    EXPECT_GT(VrbString("\xC3\xA9", true).compare("z", true), 0);
    EXPECT_NE(VrbString("\xC3\xA9", true).compare("\xC3\x89", false), 0);
    // "@" and "[" lie next to the capitals; they must not fold.
    EXPECT_NE(VrbString("@", true).compare("`", false), 0);
}

TEST(VrbString, AppendGrowsCopiesLiteralsAndAcceptsItsOwnText) {
    VrbString text("ab", true);
    bool failed = false;
    text.append("cd", &failed);
    EXPECT_STREQ(text.asCstr(), "abcd");
    text.append(text, &failed);
    EXPECT_STREQ(text.asCstr(), "abcdabcd");
    for (int i = 0; i < 100; ++i) text.append(text.asCstr() + i, 1, &failed);
    EXPECT_EQ(text.length(), 108u);
    EXPECT_FALSE(failed);
    VrbString null;
    null.append("x", &failed);
    EXPECT_STREQ(null.asCstr(), "x");
}

TEST(VrbString, FailedAllocationsLeaveNullOrReportTheFailure) {
    VrbString text("keep", false);
    bool failed = false;
    vrbtest::failAllocationAfter(0);
    text.append(" this text longer than before", &failed);
    vrbtest::clearAllocationFault();
    EXPECT_TRUE(failed);
    EXPECT_STREQ(text.asCstr(), "keep");

    vrbtest::failAllocationAfter(0);
    VrbString copy(text);
    vrbtest::clearAllocationFault();
    EXPECT_TRUE(copy.isNull());

    vrbtest::failAllocationAfter(0);
    text.assign("other");
    vrbtest::clearAllocationFault();
    EXPECT_TRUE(text.isNull());
}

TEST(VrbString, AssignFromItsOwnBytes) {
    VrbString text("prefix/name", false);
    text.assign(text.asCstr() + 7);
    EXPECT_STREQ(text.asCstr(), "name");
}

TEST(VrbString, TruncateRfindAndSubstring) {
    static const char kLiteral[] = "/a/b/c";
    VrbString path(kLiteral, true);
    EXPECT_EQ(path.rfind(VrbString("/", true)), 4);
    EXPECT_EQ(path.rfind(VrbString("/a", true)), 0);
    EXPECT_LT(path.rfind(VrbString("x", true)), 0);
    EXPECT_LT(path.rfind(VrbString("/a/b/c/", true)), 0);
    EXPECT_EQ(path.rfind(VrbString("", true)), 6);

    EXPECT_STREQ(path.substring(1, 3).asCstr(), "a/b");
    EXPECT_STREQ(path.substring(4, 100).asCstr(), "/c");
    EXPECT_STREQ(path.substring(100, 1).asCstr(), "");

    path.truncate(10);
    EXPECT_EQ(path.asCstr(), kLiteral);
    path.truncate(2);
    EXPECT_STREQ(path.asCstr(), "/a");
    EXPECT_STREQ(kLiteral, "/a/b/c");
}

TEST(VrbString, MoveLeavesTheSourceNull) {
    VrbString source("moved", false);
    const char* bytes = source.asCstr();
    VrbString target(std::move(source));
    EXPECT_EQ(target.asCstr(), bytes);
    EXPECT_TRUE(source.isNull());  // NOLINT(bugprone-use-after-move)
    source = std::move(target);
    EXPECT_EQ(source.asCstr(), bytes);
}

}  // namespace
