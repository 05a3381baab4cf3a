// The same cases against every backend: text files in every encoding, byte
// order marks, line ends, padded writes, append, listings and their entries.
// Everything goes through the module as a host loads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "Backend.h"
#include "hx/hx_uchar.h"
#include "strict_faults.h"
#include "support/platform.h"
#include "vrbaseio/VrbIO.h"

namespace {

VrbIO* service() {
    // Loaded for the life of the process, as hosts keep it: objects the
    // module keeps for itself stay reachable for the leak checker.
    static vrbtest::LoadedModule* module = new vrbtest::LoadedModule(VRB_MODULE_PATH);
    static VrbIO* instance = module->entry() ? module->entry()() : nullptr;
    return instance;
}

std::string utf16le(const std::u16string& text) {
    std::string out;
    for (char16_t unit : text) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
    }
    return out;
}
std::string utf16be(const std::u16string& text) {
    std::string out;
    for (char16_t unit : text) {
        out.push_back(static_cast<char>(unit >> 8));
        out.push_back(static_cast<char>(unit & 0xFF));
    }
    return out;
}

class Conformance : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, service()) << "cannot load " << VRB_MODULE_PATH;
        if (GetParam() == "fakehdfs") {
            backend = makeFakeHdfsBackend();
            if (!backend) GTEST_SKIP() << "built without the Hadoop access library";
        } else if (GetParam() == "hdfs") {
            backend = makeHdfsBackend();
            if (!backend) {
                const char* ci = std::getenv("CI");
                if (ci && std::string(ci) == "true") FAIL() << "VRB_HDFS_HTTP is not set: no HDFS cluster to test against";
                GTEST_SKIP() << "\n*** HDFS conformance cases SKIPPED: VRB_HDFS_HTTP is not set "
                                "(run through tests/hdfs/cluster.sh) ***";
            }
        } else {
            backend = makeLocalBackend();
        }
    }

    VrbTxtFile* open(const std::string& relative, int mode, int encoding, unsigned flags, VrbString* error) {
        return service()->openTextFile(VrbString(backend->location(relative).c_str(), false), mode, encoding,
                                       static_cast<int>(flags), error);
    }

    // Every line of a file, or "<error: ...>".
    std::vector<std::string> lines(const std::string& relative, int encoding, unsigned flags = 0,
                                   int* detected = nullptr) {
        VrbString error;
        VrbTxtFile* file = open(relative, 1, encoding, flags, &error);
        if (!file) return {std::string("<error: ") + error.asCstr() + ">"};
        if (detected) *detected = file->encoding();
        std::vector<std::string> out;
        char* text = nullptr;
        bool eol = false;
        int n;
        while ((n = file->readLine(-1, &text, &eol)) > 0 || eol) out.emplace_back(text, static_cast<std::size_t>(n));
        if (n < 0) out.push_back(std::string("<error: ") + file->errorText().asCstr() + ">");
        file->destroy();
        return out;
    }

    std::unique_ptr<Backend> backend;
};

TEST_P(Conformance, ReadsEveryEncoding) {
    const std::vector<std::string> expected = {"caf\xC3\xA9", "\xE2\x82\xAC" "5", "end"};
    struct Case {
        const char* encoding;
        std::string bytes;
    };
    const std::u16string text = u"caf\u00e9\r\n\u20ac5\nend";
    const std::vector<Case> cases = {
        {"UTF-8", "caf\xC3\xA9\r\n\xE2\x82\xAC" "5\nend"},
        {"UTF-16LE", utf16le(text)},
        {"UTF-16BE", utf16be(text)},
        {"UCS-2LE", utf16le(text)},
        {"UTF-32LE", std::string("c\0\0\0a\0\0\0f\0\0\0\xE9\0\0\0\r\0\0\0\n\0\0\0\xAC\x20\0\0" "5\0\0\0\n\0\0\0e\0\0\0n\0\0\0d\0\0\0", 48)},
        {"windows-1252", "caf\xE9\r\n\x80" "5\nend"},
    };
    for (const Case& c : cases) {
        const std::string name = std::string("enc-") + c.encoding + ".txt";
        backend->writeBytes(name, c.bytes);
        EXPECT_EQ(expected, lines(name, hx_uchar_getenc(c.encoding))) << c.encoding;
    }
    backend->writeBytes("latin1.txt", "caf\xE9\n");
    EXPECT_EQ(std::vector<std::string>{"caf\xC3\xA9"}, lines("latin1.txt", hx_uchar_getenc("ISO-8859-1")));
}

TEST_P(Conformance, ByteOrderMarksChooseTheEncoding) {
    struct Case {
        std::string bytes;
        int encoding;
    };
    for (const Case& c : {Case{"\xEF\xBB\xBF" "ab\ncd", 0}, Case{"\xFF\xFE" + utf16le(u"ab\ncd"), 46},
                          Case{"\xFE\xFF" + utf16be(u"ab\ncd"), 45}}) {
        backend->writeBytes("bom.txt", c.bytes);
        int detected = -2;
        EXPECT_EQ((std::vector<std::string>{"ab", "cd"}),
                  lines("bom.txt", hx_uchar_getenc("ISO-8859-1"), VRB_TXT_DETECT_BOM, &detected));
        EXPECT_EQ(c.encoding, detected);
    }
}

TEST_P(Conformance, AllLineEnds) {
    backend->writeBytes("ends.txt", "a\nb\rc\r\nd\x0C" "e\xC2\x85" "f\xE2\x80\xA8g\xE2\x80\xA9h\r\r\ni\x0Bj");
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g", "h", "i\x0Bj"}), lines("ends.txt", 0));
}

// The message names the location as the backend spells it.
TEST_P(Conformance, StrictReadingPlacesEveryMalformedSequence) {
    for (const strictfaults::Fault& fault : strictfaults::faults()) {
        backend->writeBytes("strict.txt", strictfaults::fileBytes(fault));
        const int encoding = hx_uchar_getenc(fault.encoding);
        std::vector<std::string> got = lines("strict.txt", encoding, VRB_TXT_STRICT | fault.flags);
        ASSERT_FALSE(got.empty());
        const std::string error = got.back();
        got.pop_back();
        EXPECT_EQ(fault.prefix->lines, got) << fault.what;
        const std::string tail = strictfaults::messageTail(fault) + ">";
        EXPECT_TRUE(error.size() > tail.size() && error.compare(error.size() - tail.size(), tail.size(), tail) == 0)
            << fault.what << ": " << error;
        EXPECT_NE(std::string::npos, error.find("strict.txt")) << error;
    }
}

TEST_P(Conformance, PaddedWritesAndNewlines) {
    VrbString error;
    VrbTxtFile* file = open("padded.txt", 2, 46, VRB_TXT_WRITE_BOM | VRB_TXT_NEWLINE_LF, &error);
    ASSERT_NE(nullptr, file) << error.asCstr();
    EXPECT_TRUE(file->write("ab", 2, 6));
    EXPECT_TRUE(file->writeln("caf\xC3\xA9", 5, 4));
    EXPECT_TRUE(file->writeln("x", 1));
    EXPECT_TRUE(file->close());
    file->destroy();
    EXPECT_EQ("\xFF\xFE" + utf16le(u"ab ca\nx\n"), backend->readBytes("padded.txt"));
}

TEST_P(Conformance, AppendAddsAfterExistingContent) {
    VrbString error;
    VrbTxtFile* file = open("append.txt", 0, 0, VRB_TXT_NEWLINE_CRLF, &error);   // a missing file is made
    ASSERT_NE(nullptr, file) << error.asCstr();
    EXPECT_TRUE(file->writeln("one", 3));
    EXPECT_TRUE(file->close());
    file->destroy();
    file = open("append.txt", 0, 0, VRB_TXT_NEWLINE_CRLF, &error);
    ASSERT_NE(nullptr, file) << error.asCstr();
    EXPECT_EQ(5, file->tell());
    EXPECT_TRUE(file->writeln("two", 3));
    EXPECT_TRUE(file->close());
    file->destroy();
    EXPECT_EQ("one\r\ntwo\r\n", backend->readBytes("append.txt"));

    file = open("append.txt", 2, 0, 0, &error);   // write mode discards
    ASSERT_NE(nullptr, file) << error.asCstr();
    EXPECT_TRUE(file->write("new", 3));
    EXPECT_TRUE(file->close());
    file->destroy();
    EXPECT_EQ("new", backend->readBytes("append.txt"));
}

// Every refusal comes before the file is touched: an existing file keeps
// its bytes and a missing one is not made.
TEST_P(Conformance, ARefusedWriteOpenLeavesTheFileAlone) {
    const struct {
        int encoding;
        unsigned flags;
        const char* says;
    } refusals[] = {
        {9999, 0, "9999"},
        {hx_uchar_getenc("windows-1252"), VRB_TXT_NEWLINE_NEL, "NEL"},
    };
    backend->writeBytes("keep.txt", "keep");
    for (const auto& refusal : refusals) {
        for (int mode : {0, 2}) {
            SCOPED_TRACE(std::string(refusal.says) + (mode == 0 ? " append" : " write"));
            VrbString error;
            EXPECT_EQ(nullptr, open("keep.txt", mode, refusal.encoding, refusal.flags, &error));
            EXPECT_NE(std::string::npos, std::string(error.asCstr()).find(refusal.says)) << error.asCstr();
            EXPECT_EQ("keep", backend->readBytes("keep.txt"));
            EXPECT_EQ(nullptr, open("absent.txt", mode, refusal.encoding, refusal.flags, &error));
            VrbTxtFile* made = open("absent.txt", 1, 0, 0, &error);
            EXPECT_EQ(nullptr, made) << "the refused open made the file";
            if (made) made->destroy();
        }
    }
}

// Left to the stream (-1), the encoding is the stream's choice, and an open
// with it goes as one naming it would: refused before the file is touched,
// or made. Where the test can choose the locale, the local stream's choice
// is a set without NEL.
TEST_P(Conformance, TheStreamsOwnEncodingIsCheckedBeforeTheFileIsTouched) {
    vrbtest::LocaleCharset locale("CP1252");
    backend->writeBytes("keep.txt", "keep");
    VrbString error;
    VrbTxtFile* probe = open("keep.txt", 1, -1, 0, &error);
    ASSERT_NE(nullptr, probe) << error.asCstr();
    const int chosen = probe->encoding();
    probe->destroy();
    const bool mustRefuse = locale.arranged() && GetParam() == "local";
    if (mustRefuse) {
        EXPECT_EQ(hx_uchar_getenc("windows-1252"), chosen);
    }

    auto writeOne = [&](const std::string& relative, int mode, int encoding) {
        VrbTxtFile* file = open(relative, mode, encoding, VRB_TXT_NEWLINE_NEL, &error);
        if (!file) return false;
        EXPECT_TRUE(file->writeln("x", 1));
        EXPECT_TRUE(file->close());
        file->destroy();
        return true;
    };
    for (int mode : {0, 2}) {
        SCOPED_TRACE(mode == 0 ? "append" : "write");
        const std::string suffix = std::to_string(mode) + ".txt";
        backend->writeBytes("keep.txt", "keep");
        const bool named = writeOne("named" + suffix, mode, chosen);
        EXPECT_EQ(named, writeOne("keep.txt", mode, -1)) << error.asCstr();
        if (mustRefuse) {
            EXPECT_FALSE(named);
        }
        if (!named) {
            EXPECT_EQ("keep", backend->readBytes("keep.txt"));
            EXPECT_FALSE(writeOne("absent" + suffix, mode, -1));
            VrbTxtFile* made = open("absent" + suffix, 1, 0, 0, &error);
            EXPECT_EQ(nullptr, made) << "the refused open made the file";
            if (made) made->destroy();
            continue;
        }
        EXPECT_EQ((mode == 0 ? "keep" : "") + backend->readBytes("named" + suffix), backend->readBytes("keep.txt"));
    }
}

TEST_P(Conformance, AppendWritesTheMarkOnlyIntoAnEmptyFile) {
    for (int round = 0; round < 2; ++round) {
        VrbString error;
        VrbTxtFile* file = open("marked.txt", 0, 46, VRB_TXT_WRITE_BOM | VRB_TXT_NEWLINE_LF, &error);
        ASSERT_NE(nullptr, file) << error.asCstr();
        EXPECT_EQ(round == 0 ? 2 : 6, file->tell());
        EXPECT_TRUE(file->writeln("a", 1));
        EXPECT_TRUE(file->close());
        file->destroy();
    }
    EXPECT_EQ("\xFF\xFE" + utf16le(u"a\na\n"), backend->readBytes("marked.txt"));
}

// A UTF-32 mark is taken when its encoding is asked for; any other request
// reads FF FE 00 00 as a UTF-16LE mark.
TEST_P(Conformance, Utf32MarksAreTakenWhenUtf32IsAsked) {
    const std::string little("\xFF\xFE\0\0a\0\0\0", 8);
    const std::string big("\0\0\xFE\xFF\0\0\0a", 8);
    const struct {
        const std::string* bytes;
        int requested;
        int encoding;
        std::vector<std::string> lines;
    } cases[] = {
        {&little, HX_ENC_UTF32LE, HX_ENC_UTF32LE, {"a"}},
        {&big, HX_ENC_UTF32BE, HX_ENC_UTF32BE, {"a"}},
        {&little, HX_ENC_UTF32BE, HX_ENC_UTF16LE, {"\xEF\xBF\xBD" "a\xEF\xBF\xBD"}},
        {&big, HX_ENC_UTF32LE, HX_ENC_UTF32LE, {}},   // no mark: the bytes are text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.requested);
        backend->writeBytes("wide.txt", *c.bytes);
        int detected = -1;
        std::vector<std::string> got =
            lines("wide.txt", c.requested, VRB_TXT_DETECT_BOM | VRB_TXT_NUL_AS_FFFD, &detected);
        EXPECT_EQ(c.encoding, detected);
        if (!c.lines.empty()) {
            EXPECT_EQ(c.lines, got);
        }
    }
}

// A strict write that fails leaves nothing of its call in the file, though
// its text is more than the stream's buffer.
TEST_P(Conformance, AStrictWriteThatFailsWritesNothingOfItsCall) {
    VrbString error;
    VrbTxtFile* file =
        open("strict.txt", 2, HX_ENC_ISO8859_1, VRB_TXT_STRICT | VRB_TXT_NEWLINE_LF, &error);
    ASSERT_NE(nullptr, file) << error.asCstr();
    std::string line(300000, 'x');
    line.replace(200000, 3, "\xE2\x82\xAC");
    EXPECT_TRUE(file->writeln("before", 6));
    EXPECT_FALSE(file->writeln(line.c_str(), static_cast<int>(line.size())));
    EXPECT_NE(std::string::npos, std::string(file->errorText().asCstr()).find("U+20AC"));
    EXPECT_TRUE(file->writeln("after", 5));
    EXPECT_TRUE(file->close());
    file->destroy();
    EXPECT_EQ("before\nafter\n", backend->readBytes("strict.txt"));
}

TEST_P(Conformance, LargeFilesRoundTrip) {
    std::string text;
    for (int i = 0; text.size() < (3u << 20); ++i) text += "line " + std::to_string(i) + " \xC3\xA9t\xC3\xA9\n";
    VrbString error;
    VrbTxtFile* file = open("large.txt", 2, 46, VRB_TXT_WRITE_BOM | VRB_TXT_NEWLINE_LF, &error);
    ASSERT_NE(nullptr, file) << error.asCstr();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        ASSERT_TRUE(file->writeln(text.data() + start, static_cast<int>(end - start)));
        start = end + 1;
    }
    ASSERT_TRUE(file->close());
    file->destroy();
    file = open("large.txt", 1, 0, VRB_TXT_DETECT_BOM, &error);
    ASSERT_NE(nullptr, file) << error.asCstr();
    EXPECT_EQ(46, file->encoding());
    std::string back;
    char* piece = nullptr;
    int n;
    while ((n = file->readText(65536, &piece)) > 0) back.append(piece, static_cast<std::size_t>(n));
    EXPECT_EQ(0, n);
    file->destroy();
    EXPECT_EQ(text.size(), back.size());
    EXPECT_TRUE(text == back);
}

TEST_P(Conformance, ListingFlagsAndAttributes) {
    backend->makeDirectory("list/sub1");
    backend->makeDirectory("list/sub2");
    backend->writeBytes("list/a.txt", "abc");
    backend->writeBytes("list/b.txt", "0123456789");
    struct Case {
        unsigned flags;
        std::set<std::string> names;
    };
    const std::time_t now = std::time(nullptr);
    for (const Case& c : {Case{0, {"a.txt", "b.txt", "sub1", "sub2"}}, Case{VRB_LIST_FILES_ONLY, {"a.txt", "b.txt"}},
                          Case{VRB_LIST_DIRS_ONLY, {"sub1", "sub2"}},
                          Case{VRB_LIST_DIRS_ONLY | VRB_LIST_FILES_ONLY, {"sub1", "sub2"}}}) {
        VrbString error;
        VrbDirectoryListing* listing =
            service()->openDirectory(VrbString(backend->location("list").c_str(), false), static_cast<int>(c.flags), &error);
        ASSERT_NE(nullptr, listing) << error.asCstr();
        std::set<std::string> names;
        while (listing->next()) {
            const std::string name = listing->name().asCstr();
            names.insert(name);
            EXPECT_EQ(backend->listedPath("list/" + name), listing->fullPath().asCstr());
            EXPECT_EQ(name.rfind("sub", 0) == 0, listing->isDirectory()) << name;
            // Directories answer as their backend's permission rules say.
            if (!listing->isDirectory()) {
                EXPECT_FALSE(listing->isReadOnly()) << name;
            }
            EXPECT_LE(std::abs(static_cast<long>(static_cast<unsigned>(listing->timeStamp())) - static_cast<long>(now)),
                      3600L) << name;
            EXPECT_GE(listing->date().year(), 2020) << name;
            if (name == "a.txt") {
                EXPECT_EQ(3, listing->extraValue());
            } else if (name == "b.txt") {
                EXPECT_EQ(10, listing->extraValue());
            }
        }
        EXPECT_STREQ("", listing->errorText().asCstr());
        listing->destroy();
        EXPECT_EQ(c.names, names) << "flags " << std::hex << c.flags;
    }
}

// The calendar date of `seconds` since 1970 in UTC, worked out by the days
// from the civil calendar's epoch (no runtime conversion involved).
VrbDate utcDate(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    days += 719468;   // from 0000-03-01 to 1970-01-01
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const int month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    VrbDate date;
    date.assign(year, month, day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                static_cast<int>(rest % 60), 0);
    return date;
}

TEST_P(Conformance, ListingDatesAreInTheProcesssTimeZone) {
    backend->makeDirectory("zones");
    backend->writeBytes("zones/a.txt", "a");
    struct Zone {
        const char* name;
        int offsetSeconds;   // east of UTC, without daylight saving
    };
    for (const Zone& zone : {Zone{"UTC0", 0}, Zone{"JST-9", 9 * 3600}, Zone{"EST5", -5 * 3600}}) {
        SCOPED_TRACE(zone.name);
        vrbtest::TimeZone inZone(zone.name);
        VrbString error;
        VrbDirectoryListing* listing =
            service()->openDirectory(VrbString(backend->location("zones").c_str(), false), 0, &error);
        ASSERT_NE(nullptr, listing) << error.asCstr();
        ASSERT_TRUE(listing->next()) << listing->errorText().asCstr();
        const std::int64_t stamp = static_cast<unsigned>(listing->timeStamp());
        EXPECT_EQ(utcDate(stamp + zone.offsetSeconds), listing->date()) << "time stamp " << stamp;
        listing->destroy();
    }
}

// The slots at the edges of their range, staged through the backend's hook:
// sizes saturate at INT_MAX, time stamps clamp to the int range while the
// date stays right, and 0 stands for 1970 itself.
TEST_P(Conformance, ListingSlotsSaturateAndClampAtTheirEdges) {
    struct Case {
        std::string name;
        std::int64_t length;
        std::int64_t seconds;
        int extraValue;
        int timeStamp;
    };
    const std::vector<Case> cases = {
        {"huge.bin", std::int64_t{5} << 30, 1700000000, INT_MAX, 1700000000},
        {"in2040.txt", 3, 2208988800, 3, INT_MAX},
        {"in1960.txt", 4, -315619200, 4, -315619200},
        {"epoch.txt", 0, 0, 0, 0},
    };
    backend->makeDirectory("edges");
    for (const Case& c : cases) {
        backend->writeBytes("edges/" + c.name, "");
        if (!backend->stageLengthAndTime("edges/" + c.name, c.length, c.seconds)) {
            GTEST_SKIP() << backend->name() << " cannot stage a length or a time";
        }
    }
    vrbtest::TimeZone utc("UTC0");
    VrbString error;
    VrbDirectoryListing* listing =
        service()->openDirectory(VrbString(backend->location("edges").c_str(), false), 0, &error);
    ASSERT_NE(nullptr, listing) << error.asCstr();
    std::map<std::string, std::tuple<int, int, VrbDate>> seen;
    while (listing->next()) {
        seen[listing->name().asCstr()] = {listing->extraValue(), listing->timeStamp(), listing->date()};
    }
    EXPECT_STREQ("", listing->errorText().asCstr());
    listing->destroy();
    for (const Case& c : cases) {
        ASSERT_EQ(1u, seen.count(c.name)) << c.name;
        const auto& [extraValue, timeStamp, date] = seen[c.name];
        EXPECT_EQ(c.extraValue, extraValue) << c.name;
        EXPECT_EQ(c.timeStamp, timeStamp) << c.name;
#if defined(_WIN32)
        if (c.seconds < 0) continue;   // the Windows runtime converts no time before 1970
#endif
        EXPECT_EQ(utcDate(c.seconds), date) << c.name;
    }
}

// A listing whose directory goes while it runs stops with a text naming the
// directory, never with what reads as the natural end.
TEST_P(Conformance, AListingWhoseDirectoryGoesBreaksOffNamingIt) {
#if defined(_WIN32)
    if (GetParam() == "local") GTEST_SKIP() << "Windows keeps a directory that is being listed";
#endif
    backend->makeDirectory("going");
    // More entries than one page, so that the listing fetches again.
    for (int i = 0; i < backend->listingPageSize() + 3; ++i) backend->writeBytes("going/f" + std::to_string(i), "x");
    VrbString error;
    VrbDirectoryListing* listing =
        service()->openDirectory(VrbString(backend->location("going").c_str(), false), 0, &error);
    ASSERT_NE(nullptr, listing) << error.asCstr();
    ASSERT_TRUE(listing->next()) << listing->errorText().asCstr();
    backend->removeTree("going");
    while (listing->next()) {
    }
    const std::string why = listing->errorText().asCstr();
    listing->destroy();
    EXPECT_EQ(0u, why.rfind("Cannot list directory ", 0)) << why;
    EXPECT_TRUE(why.find(backend->listedPath("going")) != std::string::npos ||
                why.find(backend->location("going")) != std::string::npos)
        << why;
}

TEST_P(Conformance, EntriesOpenAsTheirPathsDo) {
    backend->makeDirectory("entries");
    backend->writeBytes("entries/only.txt", "\xEF\xBB\xBF" "first\nsecond\n");
    VrbString error;
    VrbDirectoryListing* listing =
        service()->openDirectory(VrbString(backend->location("entries").c_str(), false), 0, &error);
    ASSERT_NE(nullptr, listing) << error.asCstr();
    ASSERT_TRUE(listing->next());
    VrbTxtFile* file = listing->openTextFile(1, 46, static_cast<int>(VRB_TXT_DETECT_BOM), &error);
    ASSERT_NE(nullptr, file) << error.asCstr();
    EXPECT_EQ(0, file->encoding());
    char* text = nullptr;
    bool eol = false;
    ASSERT_EQ(5, file->readLine(-1, &text, &eol));
    EXPECT_STREQ("first", text);
    file->destroy();
    EXPECT_FALSE(listing->next());
    listing->destroy();
}

TEST_P(Conformance, FailuresNameThePath) {
    VrbString error;
    EXPECT_EQ(nullptr, open("missing.txt", 1, 0, 0, &error));
    EXPECT_NE(std::string::npos, std::string(error.asCstr()).find("missing.txt")) << error.asCstr();

    backend->makeDirectory("adir");
    EXPECT_EQ(nullptr, open("adir", 1, 0, 0, &error));
    EXPECT_NE(std::string::npos, std::string(error.asCstr()).find("adir")) << error.asCstr();

    backend->writeBytes("afile.txt", "x");
    EXPECT_EQ(nullptr, service()->openDirectory(VrbString(backend->location("afile.txt").c_str(), false), 0, &error));
    EXPECT_NE(std::string::npos, std::string(error.asCstr()).find("afile.txt")) << error.asCstr();
}

#if defined(VRB_LOCAL_BACKEND_ONLY)
INSTANTIATE_TEST_SUITE_P(Backends, Conformance, ::testing::Values("local"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(LocalBackendOnly, HadoopLocationsAreRefusedWithAReason) {
    ASSERT_NE(nullptr, service());
    VrbString error;
    const char* location = "hadoop://namenode:9870/user/me/a.txt";
    EXPECT_EQ(nullptr, service()->openTextFile(VrbString(location, true), 1, -1, 0, &error));
    EXPECT_NE(std::string::npos, std::string(error.asCstr()).find("not supported by this build")) << error.asCstr();
    EXPECT_EQ(nullptr, service()->openDirectory(VrbString("hadoop://namenode:9870/user/me", true), 0, &error));
    EXPECT_NE(std::string::npos, std::string(error.asCstr()).find("not supported by this build")) << error.asCstr();
}
#else
INSTANTIATE_TEST_SUITE_P(Backends, Conformance, ::testing::Values("local", "fakehdfs", "hdfs"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });
#endif

}  // namespace
