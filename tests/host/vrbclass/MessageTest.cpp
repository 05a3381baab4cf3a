#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/system_codes.h"
#include "support/test_support.h"
#include "vrbclass/vrb_message.h"

namespace {

constexpr const char* kLabel = "..\\..\\src\\vrbaseio_text";
constexpr const char* kComponent = "Base Services";

std::string message(const VrbString& text) { return text.asCstr(); }
std::string systemText(int code) { return vrbtest::systemErrorMessage(code); }

struct Sample {
    int number;
    std::function<VrbString()> format;
    std::vector<std::string> shows;
};

// One sample per catalogue number, with what its text must show.
std::vector<Sample> samples() {
    return {
        {29, [] { return vrb_get_message(kLabel, 1, kComponent, 29, "(Text file read buffer)"); },
         {"(Text file read buffer)"}},
        {336, [] { return vrb_get_message(kLabel, 1, kComponent, 336); }, {"not allowed", "seek"}},
        {444, [] { return vrb_get_message(kLabel, 1, kComponent, 444); }, {"Out of memory"}},
        {445, [] { return vrb_get_message(kLabel, 1, kComponent, 445, "/no/such"); }, {"/no/such", "does not exist"}},
        {446, [] { return vrb_get_message(kLabel, 1, kComponent, 446, "/etc/passwd"); }, {"/etc/passwd", "not a directory"}},
        {447, [] { return vrb_get_message(kLabel, 1, kComponent, 447, "/root"); }, {"/root", "denied"}},
        {467, [] { return vrb_get_message(kLabel, 1, kComponent, 467, "/some/dir", 9); }, {"/some/dir", "9"}},
        {472, [] { return vrb_get_message(kLabel, 1, kComponent, 472, "/a.txt", "device gone"); },
         {"/a.txt", "device gone", "byte-order mark"}},
        {654, [] { return vrb_get_message(kLabel, 1, kComponent, 654, EINVAL); }, {systemText(EINVAL)}},
        {728, [] { return vrb_get_message(kLabel, 1, kComponent, 728); }, {"open mode", "U+0000"}},
        {1007, [] { return vrb_get_message(kLabel, 1, kComponent, 1007, EIO); }, {systemText(EIO)}},
        {1008, [] { return vrb_get_message(kLabel, 1, kComponent, 1008, "/full.txt", ENOSPC); },
         {"/full.txt", systemText(ENOSPC)}},
        {1352, [] { return vrb_get_message(kLabel, 1, kComponent, 1352, "/x.txt", 77); }, {"/x.txt", "77"}},
        {1353, [] { return vrb_get_message(kLabel, 1, kComponent, 1353, "/d", "Path is a directory"); },
         {"/d", "Path is a directory"}},
        {1455, [] { return vrb_get_message(kLabel, 1, kComponent, 1455, "ftp://h/a.txt"); },
         {"ftp://h/a.txt", "not supported"}},
        {1491, [] { return vrb_get_message(kLabel, 1, kComponent, 1491, 4242); }, {"4242", "encoding"}},
        {1513, [] { return vrb_get_message(kLabel, 1, kComponent, 1513); }, {"line", "2147483647"}},
        {1663, [] { return vrb_get_message(kLabel, 1, kComponent, 1663, "RawIO"); }, {"RawIO"}},
    };
}

TEST(Message, EveryNumberFormatsItsArguments) {
    for (const Sample& sample : samples()) {
        std::string text = message(sample.format());
        ASSERT_NE(vrb_message_template(sample.number), nullptr) << sample.number;
        EXPECT_EQ(text.find('%'), std::string::npos) << sample.number << ": " << text;
        // The text stands alone: where it was raised is not part of it.
        EXPECT_EQ(text.find("vrbaseio_text"), std::string::npos) << text;
        for (const std::string& shown : sample.shows) {
            EXPECT_NE(text.find(shown), std::string::npos) << sample.number << ": \"" << text << "\" lacks " << shown;
        }
    }
}

TEST(Message, SystemErrorsShowTheSystemsDescription) {
    std::string text = message(vrb_get_message(kLabel, 1, kComponent, 1007, vrbtest::kCodeNotFound));
    EXPECT_NE(text.find(vrbtest::systemErrorMessage(vrbtest::kCodeNotFound)), std::string::npos) << text;
#if defined(_WIN32)
    // A full disk is a system code the C runtime does not know.
    std::string full = message(vrb_get_message(kLabel, 1, kComponent, 1008, "a.txt", ERROR_DISK_FULL));
    EXPECT_NE(full.find(vrbtest::systemErrorMessage(ERROR_DISK_FULL)), std::string::npos) << full;
    EXPECT_EQ(full.find("Unknown"), std::string::npos) << full;
#endif
    std::string unknown = message(vrb_get_message(kLabel, 1, kComponent, 654, 99999));
    EXPECT_NE(unknown.find("99999"), std::string::npos) << unknown;
}

TEST(Message, UnsupportedSchemeOfAListingIsSaidSo) {
    std::string text = message(vrb_get_message(kLabel, 1, kComponent, 467, "ftp://h/dir", -1));
    EXPECT_NE(text.find("ftp://h/dir"), std::string::npos) << text;
    EXPECT_NE(text.find("not supported"), std::string::npos) << text;
    std::string layer = message(vrb_get_message(kLabel, 1, kComponent, 467, "/dir", 9));
    EXPECT_EQ(layer.find("not supported"), std::string::npos) << layer;
}

TEST(Message, UnknownNumbersNameNumberAndComponent) {
    std::string text = message(vrb_get_message(kLabel, 1, kComponent, 31337, "ignored"));
    EXPECT_NE(text.find("31337"), std::string::npos) << text;
    EXPECT_NE(text.find(kComponent), std::string::npos) << text;
    EXPECT_EQ(vrb_message_template(31337), nullptr);
    EXPECT_FALSE(message(vrb_get_message(nullptr, 0, nullptr, 1)).empty());
}

// Locations quoted in messages keep their secrets hidden wherever a
// parameter starts, inside a proxy URL's own query too.
TEST(Message, QuotedLocationsHideSecretsNestedInProxyUrls) {
    struct Case {
        const char* location;
        const char* shown;
    };
    for (const Case& c : {
             Case{"hadoop://nn/f?proxy=http://u:pw@gate:3128?delegation=SECRET",
                  "hadoop://nn/f?proxy=http://***@gate:3128?delegation=***"},
             Case{"x:/a&proxy=socks5h://g@te:1080?delegation=SECRET", "x:/a&proxy=socks5h://***@te:1080?delegation=***"},
             Case{"hadoop://nn/f?proxy=http://u:p@ss@gate:3128/x@y&user=bob",
                  "hadoop://nn/f?proxy=http://***@gate:3128/x@y&user=bob"},
             // Percent-encoded as URL encoders write it, in either case, once
             // or twice, in part, and under an encoded name.
             Case{"hadoop://nn/f?proxy=http%3A%2F%2Fbob%3Ap4ssw0rd%40127.0.0.1%3A3128",
                  "hadoop://nn/f?proxy=http%3A%2F%2F***%40127.0.0.1%3A3128"},
             Case{"x:/a?proxy=http%3a%2f%2fbob%3apw%40gate%2Fx%40y", "x:/a?proxy=http%3a%2f%2f***%40gate%2Fx%40y"},
             Case{"x:/a?proxy=http%253A%252F%252Fbob%253Apw%2540gate", "x:/a?proxy=http%253A%252F%252F***%2540gate"},
             Case{"x:/a?proxy=http://bob%3Apw%40gate:3128&user=bob", "x:/a?proxy=http://***%40gate:3128&user=bob"},
             Case{"x:/a?%70roxy=http%3A%2F%2Fu%3Ap%40g", "x:/a?%70roxy=http%3A%2F%2F***%40g"},
         }) {
        EXPECT_EQ(message(vrb_get_message(kLabel, 1, kComponent, 445, c.location)),
                  std::string("Cannot open directory ") + c.shown + ": it does not exist");
    }
}

TEST(Message, NullTextArgumentsAndShortMemoryStillGiveAText) {
    EXPECT_NE(message(vrb_get_message(kLabel, 1, kComponent, 1353, nullptr, nullptr)).find("(null)"),
              std::string::npos);
    vrbtest::failAllocationAfter(0);
    VrbString text = vrb_get_message(kLabel, 1, kComponent, 445, "/dir");
    vrbtest::clearAllocationFault();
    EXPECT_STREQ(text.asCstr(), vrb_message_template(445));
}

}  // namespace
