// The decompressing stream over any bytes: whatever the signature and the
// data behind it, reads end or fail without crashing, a failure stays, and
// what one open costs stays within its bounds.
#include <cstdint>
#include <cstdlib>

#include "FuzzInput.h"
#include "ScriptedRawStream.h"
#include "vrbaseio_compress/VrbIORawCompressed.h"

namespace {

// Enough for any ratio the formats reach on a small input, and a cap on run time.
constexpr std::int64_t kMostDecoded = 64 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vrbfuzz::FuzzInput input(data, size);
    const int innerChunk = input.range(1, 256);
    const int decodedChunk = input.range(1, 4096);
    ScriptedRawStream* inner = ScriptedRawStream::create(input.rest(), {innerChunk});
    auto* layer = new VrbIORawCompressed(inner, vrb::compress::Format::None, decodedChunk);
    int bufferSize = 0;
    int encoding = 0;
    FUZZ_CHECK(layer->open(1, 0, &bufferSize, &encoding), "open over memory failed");
    std::int64_t total = 0;
    for (;;) {
        char* bytes = nullptr;
        const int count = layer->read(&bytes, 0, decodedChunk);
        if (count < 0) {
            char* again = nullptr;
            FUZZ_CHECK(layer->read(&again, 0, decodedChunk) < 0, "a read after a failure succeeded");
            break;
        }
        if (count == 0) break;
        for (int i = 0; i < kRawReadPadding; ++i) FUZZ_CHECK(bytes[count + i] == 0, "no zero padding after the chunk");
        total += count;
        if (total > kMostDecoded) break;
    }
    layer->close();
    layer->destroy();
    return 0;
}
