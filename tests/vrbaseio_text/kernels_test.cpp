// Every kernel set this build has against the scalar reference, on the same
// random and adversarial inputs: the same counts, the same bytes in the
// run, and no store at or past the limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "vrbaseio_text/kernels/ascii_kernels.h"

namespace {

using vrb::ascii::Kernels;

constexpr char kGuard = '\x5A';

// Text that is mostly plain, with stops of every kind placed at block edges
// and at random.
std::vector<unsigned char> input(std::mt19937& random, int length, int width) {
    static const unsigned char stops[] = {0x00, 0x0A, 0x0C, 0x0D, 0x09, 0x0B, 0x7F, 0x80, 0xC3, 0xFF, 0x01, 0x0E};
    std::vector<unsigned char> bytes(static_cast<std::size_t>(length) * width + 64, 0);
    for (int i = 0; i < length; ++i) {
        unsigned value = 0x20 + random() % 0x5F;
        const unsigned pick = random() % 40;
        if (pick < 3) value = stops[random() % sizeof stops];
        else if (pick == 3 && width > 1) value = 0x100 + random() % 0xFF00;   // a unit above the bytes
        else if (pick == 4 && width > 1) value = 0x0A00 + 0x0D;               // LF/CR in the wrong byte
        for (int b = 0; b < width; ++b) bytes[static_cast<std::size_t>(i * width + b)] = static_cast<unsigned char>(value >> (8 * b));
    }
    return bytes;
}

std::vector<unsigned char> swapped(const std::vector<unsigned char>& bytes, int width) {
    std::vector<unsigned char> out = bytes;
    for (std::size_t i = 0; i + width <= out.size(); i += static_cast<std::size_t>(width)) {
        for (int b = 0; b < width / 2; ++b) std::swap(out[i + b], out[i + width - 1 - b]);
    }
    return out;
}

struct Outcome {
    int count;
    std::string run;
    bool operator==(const Outcome&) const = default;
};

TEST(Kernels, EverySetGivesTheScalarResults) {
    const Kernels& scalar = vrb::ascii::kScalarKernels;
    int sets = 0;
    for (const Kernels* kernels : vrb::ascii::allKernels()) {
        if (!vrb::ascii::canRun(*kernels)) continue;
        ++sets;
        SCOPED_TRACE(kernels->name);
        std::mt19937 random(3);
        for (int trial = 0; trial < 3000; ++trial) {
            const int limit = static_cast<int>(random() % 100);
            const bool lineEnds = random() % 2 == 0;
            const bool bigEndian = random() % 2 == 0;
            const int start = limit > 0 ? static_cast<int>(random() % (limit + 1)) : 0;
            for (int width : {1, 2, 4}) {
                std::vector<unsigned char> bytes = input(random, limit, width);
                if (bigEndian) bytes = swapped(bytes, width);
                auto call = [&](const Kernels& k) {
                    std::string out(static_cast<std::size_t>(limit) * 2 + 64, kGuard);
                    int count;
                    if (width == 1) count = k.copyPlainBytes(bytes.data(), start, limit, out.data(), lineEnds);
                    else if (width == 2) count = k.copyPlainUnits16(bytes.data(), limit, bigEndian, lineEnds, out.data());
                    else count = k.copyPlainUnits32(bytes.data(), limit, bigEndian, lineEnds, out.data());
                    EXPECT_EQ(out[static_cast<std::size_t>(limit)], kGuard) << "stored at the limit";
                    const int from = width == 1 ? start : 0;
                    return Outcome{count, out.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(count - from))};
                };
                ASSERT_EQ(call(*kernels), call(scalar)) << "width " << width << " trial " << trial;
            }
            // Writing: internal-form text into units of 1 and 2 bytes.
            std::vector<unsigned char> text = input(random, limit, 1);
            for (int unit : {1, 2}) {
                auto call = [&](const Kernels& k) {
                    std::string out(static_cast<std::size_t>(limit) * 2 + 64, kGuard);
                    const int count = k.storePlainText(text.data(), limit, out.data(), unit, bigEndian);
                    EXPECT_EQ(out[static_cast<std::size_t>(limit * unit)], kGuard) << "stored at the limit";
                    return Outcome{count, out.substr(0, static_cast<std::size_t>(count * unit))};
                };
                ASSERT_EQ(call(*kernels), call(scalar)) << "unit " << unit << " trial " << trial;
            }
        }
    }
    EXPECT_GE(sets, 1);
#if defined(__x86_64__) || defined(_M_X64)
    EXPECT_GE(sets, 2) << "SSE2 runs on every x86-64 processor";
#endif
}

// UTF-8 mostly of ASCII, with well-formed sequences, the wide line ends,
// U+0000, ASCII line ends and malformed or cut sequences among it, so that
// every kind of stop falls on block edges and sequences straddle them.
TEST(Kernels, EverySetFindsTheScalarTextEnd) {
    static const char* const pieces[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xCE\xB1",
                                         "\xC2\x85", "\xE2\x80\xA8", "\xE2\x80\xA9", "\xC2\xA0", "\n", "\r",
                                         "\x0C", "\x0B", "\xFF", "\xC3", "\xE2\x82", "\xED\xA0\x80",
                                         "\xC0\xAF", "\xF4\x90\x80\x80", "\xEF\xBF\xBF"};
    int sets = 0;
    for (const Kernels* kernels : vrb::ascii::allKernels()) {
        if (!vrb::ascii::canRun(*kernels)) continue;
        ++sets;
        SCOPED_TRACE(kernels->name);
        std::mt19937 random(5);
        for (int trial = 0; trial < 20000; ++trial) {
            std::string text;
            const int length = static_cast<int>(random() % 140);
            const unsigned rarity = 2 + random() % 60;
            while (static_cast<int>(text.size()) < length) {
                const unsigned pick = random() % rarity;
                if (pick == 0) text += pieces[random() % (sizeof pieces / sizeof pieces[0])];
                else if (pick == 1 && random() % 8 == 0) text.push_back('\0');
                else text.push_back(static_cast<char>(0x20 + random() % 0x5F));
            }
            const int limit = static_cast<int>(random() % (text.size() + 1));
            text.append(64, '\0');
            const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
            ASSERT_EQ(kernels->findTextEnd(bytes, limit), vrb::ascii::kScalarKernels.findTextEnd(bytes, limit))
                << "trial " << trial;
        }
    }
    EXPECT_GE(sets, 1);
}

// UTF-16 in runs of one kind (ASCII, two- and three-byte characters, pairs)
// mixed with the units every kind of stop is made of, so that runs and
// stops fall on the block edges and the room runs out at every place.
std::vector<unsigned char> utf16Input(std::mt19937& random, int length, bool bigEndian) {
    static const unsigned stops[] = {0x0000, 0x000A, 0x000C, 0x000D, 0x0085, 0x2028, 0x2029, 0xD800, 0xDBFF,
                                     0xDC00, 0xDFFF, 0x0D0A, 0x0A00};
    std::vector<unsigned> units;
    while (static_cast<int>(units.size()) < length) {
        const unsigned kind = random() % 7;
        const int run = 1 + static_cast<int>(random() % 40);
        for (int k = 0; k < run; ++k) {
            switch (kind) {
                case 0: case 1: units.push_back(0x01 + random() % 0x7F); break;
                case 2: units.push_back(0x80 + random() % 0x780); break;
                case 3: units.push_back(0x800 + random() % 0xF800); break;   // surrogates among them too
                case 4: units.push_back(0xD800 + random() % 0x400); units.push_back(0xDC00 + random() % 0x400); break;
                case 5: units.push_back(random() % 2 ? 0x20 + random() % 0x5F : 0xE000 + random() % 0x2000); break;
                default: units.push_back(stops[random() % (sizeof stops / sizeof stops[0])]); k = run; break;
            }
        }
    }
    units.resize(static_cast<std::size_t>(length));
    std::vector<unsigned char> bytes(units.size() * 2 + 64, 0);
    for (std::size_t i = 0; i < units.size(); ++i) {
        bytes[2 * i + (bigEndian ? 1 : 0)] = static_cast<unsigned char>(units[i]);
        bytes[2 * i + (bigEndian ? 0 : 1)] = static_cast<unsigned char>(units[i] >> 8);
    }
    return bytes;
}

TEST(Kernels, EverySetConvertsUtf16AsTheScalarOne) {
    int sets = 0;
    for (const Kernels* kernels : vrb::ascii::allKernels()) {
        if (!vrb::ascii::canRun(*kernels)) continue;
        ++sets;
        SCOPED_TRACE(kernels->name);
        std::mt19937 random(11);
        for (int trial = 0; trial < 20000; ++trial) {
            const int limit = static_cast<int>(random() % 160);
            const bool bigEndian = random() % 2 == 0;
            const bool lineEnds = random() % 2 == 0;
            const int room = random() % 4 == 0 ? static_cast<int>(random() % 64) : 3 * limit + 64;
            const std::vector<unsigned char> units = utf16Input(random, limit, bigEndian);
            auto call = [&](const Kernels& k) {
                std::string out(static_cast<std::size_t>(room) + 64, kGuard);
                int stored = -1;
                const int count = k.convertUnits16(units.data(), limit, bigEndian, lineEnds, out.data(), room, &stored);
                EXPECT_EQ(out.find_first_not_of(kGuard, static_cast<std::size_t>(room)), std::string::npos)
                    << "stored at or past the room's end";
                EXPECT_LE(stored, room);
                return Outcome{count, out.substr(0, static_cast<std::size_t>(std::max(stored, 0)))};
            };
            ASSERT_EQ(call(*kernels), call(vrb::ascii::kScalarKernels)) << "trial " << trial;
        }
    }
    EXPECT_GE(sets, 1);
}

}  // namespace
