// The bulk runs against the per-character functions, for every set that
// has them: the same characters, and a stop exactly where the per-character
// path has something to decide.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "hx/hx_line_ends.h"
#include "hx/hx_uchar.h"

namespace {

bool endsRun(int cp, bool lineEnds) {
    if (cp == 0) return true;
    return lineEnds && hxuchar::isLineEndCharacter(static_cast<std::uint32_t>(cp));
}

struct Run {
    std::string out;
    int taken = 0;
    bool operator==(const Run&) const = default;
};

void PrintTo(const Run& run, std::ostream* os) {
    *os << "taken " << run.taken << ", " << ::testing::PrintToString(run.out);
}

// Characters one at a time, as the reading engine takes them, until one a
// run must leave to the caller.
Run decodeByCharacter(int id, const std::string& data, int count, bool lineEnds, int room) {
    std::vector<char> padded(data.size() + 16, '\0');
    std::memcpy(padded.data(), data.data(), data.size());
    Run run;
    while (run.taken < count) {
        int length = 0;
        const int cp = hx_uchar_chscan(id, padded.data() + run.taken, &length);
        if (cp < 0 || length > count - run.taken || endsRun(cp, lineEnds)) break;
        char internal[8];
        const int size = hx_uchar_intcopy(cp, internal, sizeof internal);
        if (static_cast<int>(run.out.size()) + size > room) break;
        run.out.append(internal, static_cast<std::size_t>(size));
        run.taken += length;
    }
    return run;
}

Run decodeInBulk(int id, const std::string& data, int count, bool lineEnds, int room) {
    std::vector<char> padded(data.size() + 16, '\0');
    std::memcpy(padded.data(), data.data(), data.size());
    std::vector<char> out(static_cast<std::size_t>(room) + 1, '\x55');
    Run run;
    const int written = hx_uchar_decode_run(id, padded.data(), count, lineEnds, out.data(), room, &run.taken);
    EXPECT_EQ(out[static_cast<std::size_t>(room)], '\x55') << "wrote past the room";
    run.out.assign(out.data(), static_cast<std::size_t>(written));
    return run;
}

Run encodeByCharacter(int id, const std::string& text) {
    Run run;
    while (run.taken < static_cast<int>(text.size())) {
        int length = 0;
        std::string rest = text.substr(static_cast<std::size_t>(run.taken));
        const int cp = hx_uchar_toint(rest.c_str(), &length);
        if (cp <= 0 || length > static_cast<int>(rest.size())) break;
        char encoded[16];
        run.out.append(encoded, static_cast<std::size_t>(hx_uchar_decode(id, rest.substr(0, length).c_str(), encoded, 16)));
        run.taken += length;
    }
    return run;
}

Run encodeInBulk(int id, const std::string& text) {
    std::vector<char> out(text.size() * 4 + 16);
    Run run;
    const int written = hx_uchar_encode_run(id, text.data(), static_cast<int>(text.size()), out.data(),
                                            static_cast<int>(out.size()), &run.taken);
    run.out.assign(out.data(), static_cast<std::size_t>(written));
    return run;
}

// Bytes that are characters of the set more often than chance would make
// them: runs of one byte value, pairs from the upper half, ASCII line ends.
std::string randomBytes(std::mt19937& random) {
    std::string data;
    const int length = 1 + static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) {
        switch (random() % 6) {
        case 0: data.push_back(static_cast<char>(random() % 0x80)); break;
        case 1: data.push_back("\n\r\x0C\x15\x25 "[random() % 6]); break;
        case 2: data.push_back(static_cast<char>(0x30 + random() % 10)); break;
        default: data.push_back(static_cast<char>(0x80 + random() % 0x80)); break;
        }
    }
    return data;
}

std::string randomText(std::mt19937& random) {
    static const char* const pieces[] = {"a", "Z", " ", "\r\n", "\xC2\x85", "\xC3\xA9", "\xD0\x96", "\xE2\x82\xAC",
                                         "\xE3\x81\x82", "\xE4\xB8\x80", "\xEA\xB0\x80", "\xF0\x9F\x98\x80",
                                         "\xEF\xBD\xB6", "\xFF", "\xE2\x82", "\xED\xA0\x80", "\xC0\xAF"};
    std::string text;
    const int count = 1 + static_cast<int>(random() % 30);
    for (int i = 0; i < count; ++i) text += pieces[random() % (sizeof pieces / sizeof pieces[0])];
    if (random() % 4 == 0) text.insert(random() % (text.size() + 1), 1, '\0');
    return text;
}

TEST(BulkRuns, AgreeWithThePerCharacterFunctionsInEverySet) {
    int sets = 0;
    for (int index = 0; index < hx_uchar_enccount(); ++index) {
        const int id = hx_uchar_encid(index);
        if (!(hx_uchar_encprop(id) & HX_PROP_BULK)) continue;
        ++sets;
        SCOPED_TRACE(hx_uchar_encname(id));
        std::mt19937 random(static_cast<unsigned>(id));
        for (int trial = 0; trial < 300; ++trial) {
            const std::string data = randomBytes(random);
            const int count = static_cast<int>(random() % (data.size() + 1));
            const bool lineEnds = random() % 2 == 0;
            const int room = trial % 3 == 0 ? static_cast<int>(random() % 24) : 1024;
            ASSERT_EQ(decodeInBulk(id, data, count, lineEnds, room), decodeByCharacter(id, data, count, lineEnds, room))
                << ::testing::PrintToString(data) << " count " << count << " room " << room;
            const std::string text = randomText(random);
            ASSERT_EQ(encodeInBulk(id, text), encodeByCharacter(id, text)) << ::testing::PrintToString(text);
        }
    }
    EXPECT_GE(sets, 90);
    // Sets of other kinds take nothing.
    int taken = 1;
    char out[8];
    EXPECT_EQ(hx_uchar_decode_run(HX_ENC_UTF16LE, "a\0", 2, 0, out, 8, &taken), 0);
    EXPECT_EQ(taken, 0);
    EXPECT_EQ(hx_uchar_encode_run(-1, "a", 1, out, 8, &taken), 0);
}

}  // namespace
