// Every kernel set this build has against the scalar reference, on the same
// random and adversarial inputs: the same counts, the same bytes in the
// run, and no store at or past the limit.
#include <gtest/gtest.h>

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

}  // namespace
