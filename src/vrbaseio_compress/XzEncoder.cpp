#include <lzma.h>

#include <cstdint>
#include <new>

#include "vrbaseio_compress/codec.h"

namespace vrb::compress {

namespace {

constexpr std::uint32_t kXzPreset = 6;

class XzEncoder final : public Encoder {
public:
    ~XzEncoder() override { lzma_end(&stream); }

    Step encode(const unsigned char* in, std::size_t inLength, bool finish, unsigned char* out,
                std::size_t outCapacity) noexcept override {
        Step step;
        if (!initialised) {
            if (lzma_easy_encoder(&stream, kXzPreset, LZMA_CHECK_CRC64) != LZMA_OK) {
                step.fault = "xz encoder is out of memory";
                return step;
            }
            initialised = true;
        }
        stream.next_in = in;
        stream.avail_in = inLength;
        stream.next_out = out;
        stream.avail_out = outCapacity;
        const lzma_ret result = lzma_code(&stream, finish ? LZMA_FINISH : LZMA_RUN);
        step.consumed = inLength - stream.avail_in;
        step.produced = outCapacity - stream.avail_out;
        if (result == LZMA_STREAM_END) {
            step.finished = true;
        } else if (result != LZMA_OK && result != LZMA_BUF_ERROR) {
            step.fault = "xz encoder failed";
        }
        return step;
    }

private:
    lzma_stream stream = LZMA_STREAM_INIT;
    bool initialised = false;
};

}  // namespace

Encoder* newXzEncoder() noexcept { return new (std::nothrow) XzEncoder(); }

}  // namespace vrb::compress
