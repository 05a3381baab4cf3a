#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "VrbGenericURI.h"
#include "support/test_support.h"
#include "uri_syntax.h"
#include "vrbclass/VrHadoopURI.h"
#include "vrbclass/VrURI.h"

namespace {

struct Release {
    void operator()(VrURI* uri) const { uri->release(); }
};
using UriPtr = std::unique_ptr<VrURI, Release>;

UriPtr parse(const char* text) { return UriPtr(getURIFromURIString(VrbString(text, true))); }
UriPtr parseAs(const char* text, vrbpath::PathStyle style) {
    return UriPtr(VrbGenericURI::parse(VrbString(text, true), style));
}
std::string str(const VrbString& text) { return text.asCstr(); }

TEST(Uri, PlainPathsAndMalformedTextsAreNoUris) {
    for (const char* text : {
             "C:\\dir\\a.txt", "C:/dir/a.txt", "/tmp/a.txt", "a.txt", "", ":x", "1ab:x", "a:b",
             "file:///a b.txt",                 // space
             "file:///a\tb",                    // control character
             "file:///C:\\dir\\a.txt",          // backslash
             "file:///a%zz", "file:///a%4", "file:///a%",  // malformed escapes
             "file:///a%00b", "http://h/x?k=%00",          // an escaped NUL
             "http://h:99999/x", "http://h:8o/x",          // bad ports
             "http://[::1/x", "http://[::1]x/", "http://[1::2::3]/", "http://[12345::]/", "http://[1:2:3:4:5:6:7]/",
             "http://a@b@c/", "http://h/x#a#b",
         }) {
        EXPECT_EQ(parse(text), nullptr) << text;
    }
}

TEST(Uri, GenericComponents) {
    UriPtr uri = parse("ftp://bob:pw@nn.example:8020/data/a%20b.txt?buffersize=4096&user=bob#top");
    ASSERT_NE(uri, nullptr);
    EXPECT_EQ(str(uri->scheme()), "ftp");
    EXPECT_EQ(str(uri->authority()), "bob:pw@nn.example:8020");
    EXPECT_EQ(str(uri->userInfo()), "bob:pw");
    EXPECT_EQ(str(uri->host()), "nn.example");
    EXPECT_EQ(uri->port(), 8020);
    EXPECT_EQ(str(uri->path()), "/data/a b.txt");
    EXPECT_EQ(str(uri->query()), "buffersize=4096&user=bob");
    EXPECT_EQ(str(uri->fragment()), "top");
    EXPECT_EQ(str(uri->text()), "ftp://bob:pw@nn.example:8020/data/a%20b.txt?buffersize=4096&user=bob#top");
    EXPECT_EQ(str(uri->inheritablePart()), "");
    EXPECT_FALSE(uri->isLocal());

    UriPtr bare = parse("mailto:someone@example.org");
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(str(bare->path()), "someone@example.org");
    EXPECT_EQ(str(bare->authority()), "");
    EXPECT_EQ(bare->port(), -1);
    EXPECT_TRUE(bare->isLocal());

    UriPtr emptyPort = parse("http://h:/x");
    ASSERT_NE(emptyPort, nullptr);
    EXPECT_EQ(emptyPort->port(), -1);
}

TEST(Uri, IpLiterals) {
    struct Case {
        const char* text;
        const char* host;
        int port;
    };
    for (const Case& c : {
             Case{"http://[2001:db8::7]:80/x", "[2001:db8::7]", 80},
             Case{"http://[::1]/", "[::1]", -1},
             Case{"http://[::]/", "[::]", -1},
             Case{"http://[1:2:3:4:5:6:7:8]/", "[1:2:3:4:5:6:7:8]", -1},
             Case{"http://[::ffff:192.0.2.1]:8080/", "[::ffff:192.0.2.1]", 8080},
             Case{"http://[v1.fe:x]/", "[v1.fe:x]", -1},
             Case{"http://192.0.2.1:1/", "192.0.2.1", 1},
         }) {
        UriPtr uri = parse(c.text);
        ASSERT_NE(uri, nullptr) << c.text;
        EXPECT_EQ(str(uri->host()), c.host) << c.text;
        EXPECT_EQ(uri->port(), c.port) << c.text;
    }
    EXPECT_TRUE(vrburi::isIPv6Address("fe80::1:2"));
    EXPECT_FALSE(vrburi::isIPv6Address("1:2:3:4:5:6:7:8:9"));
    EXPECT_FALSE(vrburi::isIPv6Address("::1.2.3.256"));
    EXPECT_FALSE(vrburi::isIPv6Address("1.2.3.4::"));
    EXPECT_FALSE(vrburi::isIPv6Address(":::"));
    EXPECT_FALSE(vrburi::isIPv6Address("1::2:01.2.3.4"));
}

TEST(Uri, FileUrisGiveTheDecodedLocalPath) {
    struct Case {
        const char* text;
        const char* path;
    };
    for (const Case& c : {
             Case{"file:///tmp/a%20b.txt", "/tmp/a b.txt"},
             Case{"file://localhost/x", "/x"},
             Case{"FILE://LocalHost/x", "/x"},
             Case{"file:/x", "/x"},
             Case{"file:///tmp/caf\xC3\xA9.txt", "/tmp/caf\xC3\xA9.txt"},
             Case{"file:///C:/x", "/C:/x"},
             Case{"file:///a%2fb", "/a/b"},
         }) {
        UriPtr uri = parseAs(c.text, vrbpath::PathStyle::Posix);
        ASSERT_NE(uri, nullptr) << c.text;
        EXPECT_EQ(str(uri->path()), c.path) << c.text;
        EXPECT_TRUE(uri->isLocal()) << c.text;
    }
    // The native rules are the ones getURIFromURIString applies.
    UriPtr native = parse("file:///tmp/a%20b.txt");
    ASSERT_NE(native, nullptr);
    EXPECT_EQ(str(native->path()), "/tmp/a b.txt");
}

TEST(Uri, FileUrisOnWindowsKeepDrivesAndTurnOtherHostsIntoUncPaths) {
    using vrbpath::PathStyle;
    UriPtr drive = parseAs("file:///C:/dir/a%20b.txt", PathStyle::Windows);
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(str(drive->path()), "C:/dir/a b.txt");
    UriPtr bareDrive = parseAs("file:///d:", PathStyle::Windows);
    ASSERT_NE(bareDrive, nullptr);
    EXPECT_EQ(str(bareDrive->path()), "d:");
    UriPtr rooted = parseAs("file:///Cx/a", PathStyle::Windows);
    ASSERT_NE(rooted, nullptr);
    EXPECT_EQ(str(rooted->path()), "/Cx/a");

    UriPtr remote = parseAs("file://server/share/dir/a%20b.txt", PathStyle::Windows);
    ASSERT_NE(remote, nullptr);
    EXPECT_FALSE(remote->isLocal());
    EXPECT_EQ(str(remote->path()), "\\\\server\\share\\dir\\a b.txt");
}

TEST(Uri, FileUrisNamingAnotherHostAreNotLocal) {
    UriPtr remote = parseAs("file://server/etc/passwd", vrbpath::PathStyle::Posix);
    ASSERT_NE(remote, nullptr);
    EXPECT_FALSE(remote->isLocal());
    EXPECT_EQ(str(remote->path()), "/etc/passwd");
    EXPECT_EQ(str(remote->host()), "server");
}

TEST(Uri, QueryValuesAndBufferSize) {
    UriPtr uri = parse("x-y://h/p?flag&buffer%73ize=%31%32&name=a%2Bb&name=second&empty=");
    ASSERT_NE(uri, nullptr);
    VrbString value;
    EXPECT_TRUE(uri->queryValue("name", &value));
    EXPECT_EQ(str(value), "a+b");
    EXPECT_TRUE(uri->queryValue("flag", &value));
    EXPECT_EQ(str(value), "");
    EXPECT_TRUE(uri->queryValue("empty", &value));
    EXPECT_FALSE(uri->queryValue("nam", &value));
    EXPECT_FALSE(uri->queryValue("missing", &value));
    int size = 0;
    EXPECT_TRUE(uri->bufferSize(&size));
    EXPECT_EQ(size, 12);

    struct Case {
        const char* text;
        bool named;
        int size;
    };
    for (const Case& c : {
             Case{"hadoop://h/p?buffersize=4096", true, 4096},
             Case{"hadoop://h/p?buffersize=2147483647", true, 2147483647},
             Case{"hadoop://h/p?buffersize=2147483648", false, 0},
             Case{"hadoop://h/p?buffersize=99999999999999999999", false, 0},
             Case{"hadoop://h/p?buffersize=0", false, 0},
             Case{"hadoop://h/p?buffersize=-1", false, 0},
             Case{"hadoop://h/p?buffersize=+5", false, 0},
             Case{"hadoop://h/p?buffersize=12a", false, 0},
             Case{"hadoop://h/p?buffersize=", false, 0},
             Case{"hadoop://h/p?buffersize", false, 0},
             Case{"hadoop://h/p", false, 0},
             Case{"hadoop://h/p#buffersize=5", false, 0},
         }) {
        UriPtr sized = parse(c.text);
        ASSERT_NE(sized, nullptr) << c.text;
        int got = -7;
        EXPECT_EQ(sized->bufferSize(&got), c.named) << c.text;
        if (c.named) {
            EXPECT_EQ(got, c.size) << c.text;
        }
    }
}

TEST(Uri, ShortMemoryGivesNullAndLeaksNothing) {
    const char* text = "file://localhost/tmp/a%20b.txt?q=1#f";
    bool succeeded = false;
    for (std::uint64_t skip = 0; !succeeded && skip < 100; ++skip) {
        VrbString location(text, true);
        vrbtest::failAllocationAfter(skip);
        UriPtr uri(getURIFromURIString(location));
        bool fired = vrbtest::allocationFaultFired();
        vrbtest::clearAllocationFault();
        if (fired) {
            EXPECT_EQ(uri, nullptr) << "allocation " << skip;
        } else {
            ASSERT_NE(uri, nullptr);
            EXPECT_EQ(str(uri->path()), "/tmp/a b.txt");
            succeeded = true;
        }
    }
    EXPECT_TRUE(succeeded);
}

}  // namespace
