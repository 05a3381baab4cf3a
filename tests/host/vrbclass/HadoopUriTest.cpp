#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "vrbclass/VrHadoopURI.h"

namespace {

struct Release {
    void operator()(VrURI* uri) const { uri->release(); }
};
using HadoopUriPtr = std::unique_ptr<VrHadoopURI, Release>;

HadoopUriPtr parse(const char* text) { return HadoopUriPtr(getHadoopURIFromURIString(VrbString(text, false))); }
HadoopUriPtr fromPath(const char* path) {
    return HadoopUriPtr(getHadoopURIFromComponents(VrbString(path, true)));
}
std::string str(const VrbString& text) { return text.asCstr(); }

TEST(HadoopUri, ParametersAndNameNode) {
    HadoopUriPtr uri = parse("HADOOP://nn.example:8020/dir/a%20b.txt?user=al%69ce&buffersize=65536&delegation=T0K%2B&ssl=true");
    ASSERT_NE(uri, nullptr);
    EXPECT_EQ(str(uri->path()), "/dir/a b.txt");
    EXPECT_EQ(str(uri->user()), "alice");
    EXPECT_EQ(str(uri->delegationToken()), "T0K+");
    EXPECT_TRUE(uri->useSsl());
    EXPECT_EQ(str(uri->nameNodeBase()), "https://nn.example:8020");
    int size = 0;
    EXPECT_TRUE(uri->bufferSize(&size));
    EXPECT_EQ(size, 65536);
    EXPECT_FALSE(uri->isLocal());
    EXPECT_TRUE(uri->validate(nullptr));

    HadoopUriPtr plain = parse("hadoop://[::1]");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(str(plain->nameNodeBase()), "http://[::1]:9870");
    // Escapes in the host reach the HTTP stack decoded.
    HadoopUriPtr escaped = parse("hadoop://n%6E.example/x");
    ASSERT_NE(escaped, nullptr);
    EXPECT_TRUE(escaped->validate(nullptr));
    EXPECT_EQ(str(escaped->nameNodeBase()), "http://nn.example:9870");
    EXPECT_EQ(str(plain->path()), "/");
    EXPECT_EQ(str(plain->user()), "");
    EXPECT_FALSE(plain->useSsl());

    // The generic entry point gives the same class.
    std::unique_ptr<VrURI, Release> generic(getURIFromURIString(VrbString("hadoop://nn/x?user=bob", true)));
    ASSERT_NE(generic, nullptr);
    EXPECT_EQ(str(generic->inheritablePart()), "//nn?user=bob");
    EXPECT_EQ(parse("file:///tmp/x"), nullptr);
}

TEST(HadoopUri, ValidationRefusesWhatCannotReachAClusterWithoutShowingTheToken) {
    for (const char* text : {
             "hadoop:///dir/f?delegation=SECRET",
             "hadoop://bob@nn:9870/f?delegation=SECRET",
             "hadoop://nn:0/f?delegation=SECRET",
             "hadoop://nn/a#b?delegation=SECRET",
             "hadoop://nn/f?delegation=SECRET#",
             "hadoop://nn/f?ssl=yes&delegation=SECRET",
             "hadoop://nn/f?buffersize=0&delegation=SECRET",
             "hadoop://nn/f?buffersize=&deleg%61tion=SECRET",
             "hadoop://nn/f?proxy=ftp://gate:21&delegation=SECRET",
             "hadoop://nn/f?proxy=&delegation=SECRET",
             "hadoop://n%20n/f?delegation=SECRET",
             "hadoop://n%2Fn:9870/f?delegation=SECRET",
             "hadoop://nn%00/f?delegation=SECRET",
         }) {
        HadoopUriPtr uri = parse(text);
        ASSERT_NE(uri, nullptr) << text;
        VrbString error;
        EXPECT_FALSE(uri->validate(&error)) << text;
        EXPECT_NE(str(error).find("Invalid hadoop URI"), std::string::npos) << str(error);
        EXPECT_EQ(str(error).find("SECRET"), std::string::npos) << str(error);
    }
    HadoopUriPtr masked = parse("hadoop://nn/f?delegation=SECRET&user=bob&delegation=MORE#x");
    ASSERT_NE(masked, nullptr);
    EXPECT_EQ(str(masked->maskedText()), "hadoop://nn/f?delegation=***&user=bob&delegation=***#x");
}

TEST(HadoopUri, SecurityParametersAreCheckedWithTheirReason) {
    struct Case {
        const char* query;
        const char* reason;   // empty: valid
    };
    for (const Case& c : {
             Case{"auth=kerberos", ""},
             Case{"auth=simple&user=bob", ""},
             Case{"auth=Kerberos", ""},
             Case{"auth=negotiate", "auth must be kerberos or simple"},
             Case{"auth=", "auth must be kerberos or simple"},
             Case{"ssl=true&cafile=/etc/cluster/ca.pem&auth=kerberos", ""},
             Case{"ssl=true&capath=/etc/ssl/certs", ""},
             Case{"ssl=true&cafile=", "cafile and capath must name a file or a directory"},
             Case{"ssl=true&capath=", "cafile and capath must name a file or a directory"},
             Case{"cafile=/etc/cluster/ca.pem", "cafile and capath verify https servers: add ssl=true"},
             Case{"ssl=false&capath=/etc/ssl/certs", "cafile and capath verify https servers: add ssl=true"},
         }) {
        std::string text = std::string("hadoop://nn:9871/f?") + c.query;
        HadoopUriPtr uri = parse(text.c_str());
        ASSERT_NE(uri, nullptr) << text;
        VrbString error;
        EXPECT_EQ(uri->validate(&error), *c.reason == '\0') << text;
        if (*c.reason) {
            EXPECT_EQ(str(error), "Invalid hadoop URI " + text + ": " + c.reason);
        }
    }
}

TEST(HadoopUri, TextsThatBreakTheGrammarAreHadoopUrisRefusedWithTheReason) {
    struct Case {
        const char* text;
        const char* reason;
    };
    for (const Case& c : {
             Case{"hadoop://nn/a b.txt?delegation=SECRET", "write a space as %20 (character 14)"},
             Case{"hadoop://nn/100%.txt?delegation=SECRET", "write \"%\" as %25 (character 16)"},
             Case{"hadoop://nn/f?delegation=SEC%zzRET", "write \"%\" as %25 (character 29)"},
             Case{"hadoop://nn/a%00b", "the escape %00 (a NUL byte) is not allowed (character 14)"},
             Case{"hadoop://nn/a|b", "write this character as a %XX escape"},
             Case{"hadoop://nn1:9870,nn2:9870/f?delegation=SECRET", "a list of hosts is not supported"},
             Case{"hadoop://nn:99999/f", "the port must be a number from 1 to 65535 (character 13)"},
             Case{"hadoop://[::1/f", "an IPv6 address needs its closing \"]\""},
         }) {
        HadoopUriPtr uri = parse(c.text);
        ASSERT_NE(uri, nullptr) << c.text;
        EXPECT_EQ(str(uri->text()), c.text);
        EXPECT_EQ(str(uri->scheme()), "hadoop");
        VrbString error;
        EXPECT_FALSE(uri->validate(&error)) << c.text;
        EXPECT_NE(str(error).find(c.reason), std::string::npos) << str(error);
        EXPECT_EQ(str(error).find("SECRET"), std::string::npos) << str(error);
    }
    // Through the generic entry point too: never a plain path.
    std::unique_ptr<VrURI, Release> generic(getURIFromURIString(VrbString("Hadoop://nn/a b", true)));
    ASSERT_NE(generic, nullptr);
    EXPECT_EQ(str(generic->scheme()), "hadoop");
}

TEST(HadoopUri, FurtherNameNodesAndDoAsAreCheckedAndPassToEntries) {
    for (const char* text : {
             "hadoop://nn1:9870/f?namenodes=nn2:9870",
             "hadoop://nn1/f?namenodes=nn2,10.0.0.3:50070,%5B::1%5D:9870,%5Bfe80::1%5D&doas=bob",
             "hadoop://nn1/f?namenodes=nn-2.example.com:1&user=alice&doas=b%C3%B6b",
         }) {
        HadoopUriPtr uri = parse(text);
        ASSERT_NE(uri, nullptr) << text;
        VrbString error;
        EXPECT_TRUE(uri->validate(&error)) << text << ": " << str(error);
    }
    struct Case {
        const char* text;
        const char* reason;
    };
    for (const Case& c : {
             Case{"hadoop://nn/f?namenodes=&delegation=SECRET", "namenodes must be HOST:PORT items"},
             Case{"hadoop://nn/f?namenodes=a:1,,b:2", "namenodes must be HOST:PORT items"},
             Case{"hadoop://nn/f?namenodes=a:", "namenodes must be HOST:PORT items"},
             Case{"hadoop://nn/f?namenodes=:9870", "namenodes must be HOST:PORT items"},
             Case{"hadoop://nn/f?namenodes=a:b", "namenodes must be HOST:PORT items"},
             Case{"hadoop://nn/f?namenodes=a%20b:1", "namenodes must be HOST:PORT items"},
             Case{"hadoop://nn/f?namenodes=http://a:1", "namenodes must be HOST:PORT items"},
             Case{"hadoop://nn/f?namenodes=%5B::g%5D:1", "namenodes must be HOST:PORT items"},
             Case{"hadoop://nn/f?namenodes=a:0", "a port in namenodes must be a number from 1 to 65535"},
             Case{"hadoop://nn/f?namenodes=a:65536", "a port in namenodes must be a number from 1 to 65535"},
             Case{"hadoop://nn/f?namenodes=a:1234567", "a port in namenodes must be a number from 1 to 65535"},
             Case{"hadoop://nn/f?namenodes=a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a", "more than 16 NameNodes"},
             Case{"hadoop://nn/f?doas=&delegation=SECRET", "doas must name a user"},
             Case{"hadoop://nn/f?auth=kerberos&keytab=&principal=p", "keytab must name a keytab file"},
             Case{"hadoop://nn/f?auth=kerberos&principal=p", "principal names whom a keytab logs in"},
             Case{"hadoop://nn/f?auth=kerberos&keytab=/k", "keytab logs in a principal: add principal=NAME"},
             Case{"hadoop://nn/f?keytab=/k&principal=p", "keytab logs in with Kerberos: add auth=kerberos"},
             Case{"hadoop://nn/f?auth=simple&keytab=/k&principal=p", "keytab logs in with Kerberos"},
         }) {
        HadoopUriPtr uri = parse(c.text);
        ASSERT_NE(uri, nullptr) << c.text;
        VrbString error;
        EXPECT_FALSE(uri->validate(&error)) << c.text;
        EXPECT_NE(str(error).find(c.reason), std::string::npos) << c.text << ": " << str(error);
        EXPECT_EQ(str(error).find("SECRET"), std::string::npos) << str(error);
    }
    // A list of hosts in the authority points to the parameter.
    HadoopUriPtr listed = parse("hadoop://nn1:9870,nn2:9870/f");
    ASSERT_NE(listed, nullptr);
    VrbString error;
    EXPECT_FALSE(listed->validate(&error));
    EXPECT_NE(str(error).find("the others in ?namenodes=HOST:PORT"), std::string::npos) << str(error);

    // Entries of a listing take both over with the rest of the query.
    HadoopUriPtr listing = parse("hadoop://nn1:9870/data?user=alice&namenodes=nn2:9870&doas=bob");
    ASSERT_NE(listing, nullptr);
    VrbString part = listing->inheritablePart();
    HadoopUriPtr entry = fromPath("/data/x.txt");
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(entry->applyInheritedPart(&part, &error)) << str(error);
    EXPECT_EQ(str(entry->text()), "hadoop://nn1:9870/data/x.txt?user=alice&namenodes=nn2:9870&doas=bob");
    VrbString value;
    EXPECT_TRUE(entry->queryValue("namenodes", &value));
    EXPECT_EQ(str(value), "nn2:9870");
    EXPECT_TRUE(entry->queryValue("doas", &value));
    EXPECT_EQ(str(value), "bob");
}

TEST(HadoopUri, EntryUrisTakeOverTheListingsClusterAndUser) {
    HadoopUriPtr listing = parse("hadoop://nn:8020/data?user=alice&buffersize=65536");
    ASSERT_NE(listing, nullptr);
    VrbString part = listing->inheritablePart();
    EXPECT_EQ(str(part), "//nn:8020?user=alice&buffersize=65536");

    const char* awkward = "/data/name with space, 100% #1? caf\xC3\xA9+&=.txt";
    HadoopUriPtr entry = fromPath(awkward);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(str(entry->path()), awkward);
    EXPECT_EQ(str(entry->authority()), "");
    VrbString error;
    ASSERT_TRUE(entry->applyInheritedPart(&part, &error)) << str(error);
    EXPECT_EQ(str(entry->text()),
              "hadoop://nn:8020/data/name%20with%20space,%20100%25%20%231%3F%20caf%C3%A9+&=.txt"
              "?user=alice&buffersize=65536");
    EXPECT_EQ(str(entry->path()), awkward);

    HadoopUriPtr reparsed = parse(entry->text().asCstr());
    ASSERT_NE(reparsed, nullptr);
    EXPECT_EQ(str(reparsed->path()), awkward);
    EXPECT_EQ(str(reparsed->user()), "alice");
    EXPECT_EQ(str(reparsed->nameNodeBase()), "http://nn:8020");
    EXPECT_TRUE(reparsed->validate(nullptr));

    // The listing of the root joins "/" and a name into "//name"; the entry
    // must still reach that path, not a host called "name".
    HadoopUriPtr rootEntry = fromPath("//top.txt");
    ASSERT_NE(rootEntry, nullptr);
    VrbString bare("//nn", true);
    ASSERT_TRUE(rootEntry->applyInheritedPart(&bare, &error));
    EXPECT_EQ(str(rootEntry->host()), "nn");
    EXPECT_EQ(str(rootEntry->path()), "//top.txt");

    EXPECT_EQ(fromPath(""), nullptr);
    HadoopUriPtr relative = fromPath("dir/x");
    ASSERT_NE(relative, nullptr);
    EXPECT_EQ(str(relative->path()), "/dir/x");
}

TEST(HadoopUri, MalformedInheritedPartsAreRefusedAndLeaveTheEntryAlone) {
    HadoopUriPtr entry = fromPath("/d/f.txt");
    ASSERT_NE(entry, nullptr);
    for (const char* part : {"nn:8020?user=a", "//nn:99999?delegation=SECRET", "//nn/x?user=a", "//nn?user=a#f",
                             "//nn?delegation=SECRET&user=a b", "//a@b@c"}) {
        VrbString text(part, true);
        VrbString error;
        EXPECT_FALSE(entry->applyInheritedPart(&text, &error)) << part;
        EXPECT_NE(str(error).find("Cannot take over"), std::string::npos) << part;
        EXPECT_EQ(str(error).find("SECRET"), std::string::npos) << str(error);
        EXPECT_EQ(str(entry->text()), "hadoop:///d/f.txt") << part;
    }
    VrbString error;
    EXPECT_FALSE(entry->applyInheritedPart(nullptr, &error));
}

}  // namespace
