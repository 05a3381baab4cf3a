// Every layer that tells line ends from text, held to the one list in
// hx/hx_line_ends.h: the text engine's classifier, the ASCII kernels' plain
// test (every kernel set this processor runs), the character-set layer's
// run stop for UTF-8 and its bulk runs for every single-byte set and a
// multi-byte one, and the flags the generator wrote into the single-byte
// tables. Each layer is asked about every code point it can see.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "hx/hx_line_ends.h"
#include "hx/hx_uchar.h"
#include "hxuchar/encoding_catalog.h"
#include "hxuchar/utf8.h"
#include "vrbaseio_text/kernels/ascii_kernels.h"
#include "vrbaseio_text/line_ends.h"

namespace {

constexpr std::uint32_t kLastCodePoint = 0x10FFFF;

bool listed(std::uint32_t cp) {
    for (char32_t c : hxuchar::kLineEndCharacters) {
        if (c == cp) return true;
    }
    return false;
}

// One classifier: the code points it can be asked about, and its verdict
// on the i-th of them.
struct Layer {
    std::string name;
    std::vector<std::uint32_t> codePoints;
    std::function<bool(std::size_t i)> endsLine;
};

std::vector<std::uint32_t> range(std::uint32_t first, std::uint32_t last) {
    std::vector<std::uint32_t> all;
    for (std::uint32_t cp = first; cp <= last; ++cp) all.push_back(cp);
    return all;
}

std::vector<Layer> engineLayers() {
    return {{"text engine's classifier", range(0, kLastCodePoint),
             [](std::size_t cp) { return vrb::text::isLineEndCharacter(static_cast<int>(cp)); }},
            // The rule takes exactly the listed characters out of a line's text.
            {"text engine's line step", range(0, kLastCodePoint), [](std::size_t cp) {
                 return !vrb::text::stepLine(vrb::text::LineState::Text, static_cast<int>(cp)).text;
             }}};
}

Layer utf8RunLayer() {
    return {"UTF-8 run stop", range(0, kLastCodePoint), [](std::size_t cp) {
                const auto value = static_cast<unsigned>(cp);
                return hxuchar::endsRun(value, true) && !hxuchar::endsRun(value, false);
            }};
}

// A kernel sees a line end where it stops when reading lines and not
// otherwise; the value sits at unit `at` of plain text.
enum class Width { Bytes, Units16, Units32 };

bool kernelStops(const vrb::ascii::Kernels& kernels, Width width, bool bigEndian, std::uint32_t value, int at,
                 bool lineEnds) {
    constexpr int kUnits = 48;
    const int size = width == Width::Bytes ? 1 : width == Width::Units16 ? 2 : 4;
    std::vector<unsigned char> in(static_cast<std::size_t>(kUnits * size), 0);
    char out[kUnits + 32];
    for (int u = 0; u < kUnits; ++u) {
        const std::uint32_t unit = u == at ? value : 'A';
        for (int b = 0; b < size; ++b) {
            const int shift = 8 * (bigEndian ? size - 1 - b : b);
            in[static_cast<std::size_t>(u * size + b)] = static_cast<unsigned char>(unit >> shift);
        }
    }
    int plain = 0;
    if (width == Width::Bytes) plain = kernels.copyPlainBytes(in.data(), 0, kUnits, out, lineEnds);
    else if (width == Width::Units16) plain = kernels.copyPlainUnits16(in.data(), kUnits, bigEndian, lineEnds, out);
    else plain = kernels.copyPlainUnits32(in.data(), kUnits, bigEndian, lineEnds, out);
    return plain == at;
}

Layer kernelLayer(const vrb::ascii::Kernels& kernels, Width width, bool bigEndian, int at) {
    static const char* const kWidths[] = {"bytes", "16-bit units", "32-bit units"};
    std::string name = std::string(kernels.name) + " kernels, " + kWidths[static_cast<int>(width)];
    if (width != Width::Bytes) name += bigEndian ? " BE" : " LE";
    name += ", unit " + std::to_string(at);
    return {name, range(0, 0x7F), [&kernels, width, bigEndian, at](std::size_t cp) {
                const auto value = static_cast<std::uint32_t>(cp);
                return kernelStops(kernels, width, bigEndian, value, at, true) &&
                       !kernelStops(kernels, width, bigEndian, value, at, false);
            }};
}

std::string internalForm(std::uint32_t cp) {
    char text[8] = {};
    hx_uchar_intcopy(static_cast<int>(cp), text, 7);
    return text;
}

// `cp` in encoding `id`, or nothing when the encoding lacks it.
std::string encoded(int id, std::uint32_t cp) {
    char bytes[16] = {};
    const int length = hx_uchar_decode(id, internalForm(cp).c_str(), bytes, 15);
    int scanned = 0;
    if (length <= 0 || hx_uchar_chscan(id, bytes, &scanned) != static_cast<int>(cp) || scanned != length) return {};
    return std::string(bytes, static_cast<std::size_t>(length));
}

// Whether the bulk run stops before the character, set amid plain text
// long enough for the 16-byte block test.
bool runStops(int id, const std::string& character, bool lineEnds) {
    const std::string text = std::string(24, 'A') + character + std::string(24, 'A');
    std::vector<char> padded(text.size() + 16, 0);
    std::memcpy(padded.data(), text.data(), text.size());
    char out[256];
    int taken = 0;
    hx_uchar_decode_run(id, padded.data(), static_cast<int>(text.size()), lineEnds ? 1 : 0, out, sizeof out, &taken);
    return taken == 24;
}

Layer decodeRunLayer(int id, std::vector<std::uint32_t> codePoints) {
    std::vector<std::string> characters;
    std::vector<std::uint32_t> seen;
    for (std::uint32_t cp : codePoints) {
        std::string character = cp == 0 ? std::string() : encoded(id, cp);
        if (character.empty()) continue;
        seen.push_back(cp);
        characters.push_back(std::move(character));
    }
    return {std::string(hx_uchar_encname(id)) + " bulk run", std::move(seen), [id, characters](std::size_t i) {
                return runStops(id, characters[i], true) && !runStops(id, characters[i], false);
            }};
}

// The line-end flag of each byte's entry in a single-byte table.
Layer generatedFlagLayer(const hxuchar::EncodingRow& row) {
    std::vector<std::uint32_t> codePoints;
    std::vector<std::uint32_t> entries;
    for (int byte = 0; byte < 256; ++byte) {
        const int cp = row.singleByte->decode(static_cast<std::uint8_t>(byte));
        if (cp < 0) continue;
        codePoints.push_back(static_cast<std::uint32_t>(cp));
        entries.push_back(row.singleByte->utf8[byte]);
    }
    return {std::string(row.names[0]) + " generated flags", std::move(codePoints), [entries](std::size_t i) {
                return (entries[i] & hxuchar::SingleByteMap::kRunLineEnd) != 0;
            }};
}

std::vector<Layer> everyLayer() {
    std::vector<Layer> layers = engineLayers();
    layers.push_back(utf8RunLayer());
    // Units at both ends and at the block edges of the vector kernels.
    for (const vrb::ascii::Kernels* kernels : vrb::ascii::allKernels()) {
        if (!vrb::ascii::canRun(*kernels)) continue;
        for (int at : {0, 1, 7, 15, 16, 31, 32, 47}) {
            layers.push_back(kernelLayer(*kernels, Width::Bytes, false, at));
            for (bool bigEndian : {false, true}) {
                layers.push_back(kernelLayer(*kernels, Width::Units16, bigEndian, at));
                layers.push_back(kernelLayer(*kernels, Width::Units32, bigEndian, at));
            }
        }
    }
    for (int i = 0; i < hxuchar::kEncodingCount; ++i) {
        const hxuchar::EncodingRow& row = hxuchar::kEncodingRows[i];
        if (row.kind != hxuchar::CodecKind::SingleByte) continue;
        layers.push_back(generatedFlagLayer(row));
        layers.push_back(decodeRunLayer(row.id, layers.back().codePoints));
    }
    // GB18030 holds every code point; surrogates it cannot encode drop out.
    layers.push_back(decodeRunLayer(HX_ENC_GB18030, range(0, kLastCodePoint)));
    return layers;
}

TEST(LineEnds, EveryLayerAgreesWithTheListOnEveryCodePoint) {
    std::vector<std::string> disagreements;
    for (const Layer& layer : everyLayer()) {
        ASSERT_FALSE(layer.codePoints.empty()) << layer.name;
        for (std::size_t i = 0; i < layer.codePoints.size(); ++i) {
            const std::uint32_t cp = layer.codePoints[i];
            if (layer.endsLine(i) == listed(cp)) continue;
            char text[96];
            std::snprintf(text, sizeof text, "U+%04X: %s says %s", cp, layer.name.c_str(),
                          listed(cp) ? "text" : "line end");
            disagreements.push_back(text);
        }
    }
    EXPECT_TRUE(disagreements.empty()) << disagreements.size() << " disagreements, the first: "
                                       << ::testing::PrintToString(std::vector<std::string>(
                                              disagreements.begin(),
                                              disagreements.begin() + std::min<std::size_t>(disagreements.size(), 10)));
}

}  // namespace
