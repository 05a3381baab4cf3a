#include <lzma.h>

#include <cstring>
#include <new>

#include "vrbaseio_compress/codec.h"

namespace vrb::compress {

namespace {

constexpr const char* kCut = "xz stream ends before its footer";

// Streams are taken one at a time, so that what follows the last one is
// told apart: stream padding (zero bytes, a multiple of four) or garbage.
class XzDecoder final : public Decoder {
public:
    ~XzDecoder() override { lzma_end(&stream); }

    Step decode(const unsigned char* in, std::size_t inLength, bool inputEnded, unsigned char* out,
                std::size_t outCapacity) noexcept override {
        Step step;
        if (!inStream) {
            while (step.consumed < inLength && in[step.consumed] == 0) ++step.consumed;
            padding += step.consumed;
            if (step.consumed == inLength) {
                if (inputEnded && padding % 4 != 0) step.fault = "xz stream padding is not a multiple of four bytes";
                step.finished = inputEnded && !step.fault;
                return step;
            }
            if (padding % 4 != 0 || in[step.consumed] != 0xFD) {
                step.fault = "xz data is followed by bytes that are no xz stream";
                return step;
            }
            if (lzma_stream_decoder(&stream, kXzMemoryLimit, 0) != LZMA_OK) {
                step.fault = "xz decoder is out of memory";
                return step;
            }
            padding = 0;
            inStream = true;
            in += step.consumed;
            inLength -= step.consumed;
        }
        stream.next_in = in;
        stream.avail_in = inLength;
        stream.next_out = out;
        stream.avail_out = outCapacity;
        const lzma_ret result = lzma_code(&stream, inputEnded ? LZMA_FINISH : LZMA_RUN);
        step.consumed += inLength - stream.avail_in;
        step.produced = outCapacity - stream.avail_out;
        switch (result) {
        case LZMA_STREAM_END: inStream = false; break;
        case LZMA_OK:
            if (inputEnded && inLength == 0 && step.produced == 0) step.fault = kCut;
            break;
        case LZMA_BUF_ERROR:
            if (inputEnded) step.fault = kCut;
            break;
        case LZMA_MEM_ERROR: step.fault = "xz decoder is out of memory"; break;
        case LZMA_MEMLIMIT_ERROR: step.fault = "xz stream needs more than the 80 MiB memory limit to decompress"; break;
        case LZMA_FORMAT_ERROR: step.fault = "xz stream header is corrupt"; break;
        case LZMA_OPTIONS_ERROR: step.fault = "xz stream uses options this decoder does not support"; break;
        default: step.fault = "xz block check mismatch or corrupt block"; break;
        }
        return step;
    }

private:
    lzma_stream stream = LZMA_STREAM_INIT;
    // Between a stream's header and its footer.
    bool inStream = false;
    // Zero bytes seen since the last stream's footer.
    std::size_t padding = 0;
};

}  // namespace

Decoder* newXzDecoder() noexcept { return new (std::nothrow) XzDecoder(); }

}  // namespace vrb::compress
