#include <zlib.h>

#include <cstring>
#include <new>

#include "vrbaseio_compress/codec.h"

namespace vrb::compress {

namespace {

constexpr int kGzipLevel = 6;

class GzipEncoder final : public Encoder {
public:
    ~GzipEncoder() override {
        if (initialised) deflateEnd(&stream);
    }

    Step encode(const unsigned char* in, std::size_t inLength, bool finish, unsigned char* out,
                std::size_t outCapacity) noexcept override {
        Step step;
        if (!initialised) {
            std::memset(&stream, 0, sizeof stream);
            if (deflateInit2(&stream, kGzipLevel, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
                step.fault = "gzip encoder is out of memory";
                return step;
            }
            initialised = true;
        }
        stream.next_in = const_cast<unsigned char*>(in);
        stream.avail_in = static_cast<uInt>(inLength);
        stream.next_out = out;
        stream.avail_out = static_cast<uInt>(outCapacity);
        const int result = deflate(&stream, finish ? Z_FINISH : Z_NO_FLUSH);
        step.consumed = inLength - stream.avail_in;
        step.produced = outCapacity - stream.avail_out;
        if (result == Z_STREAM_END) {
            step.finished = true;
        } else if (result != Z_OK && result != Z_BUF_ERROR) {
            step.fault = "gzip encoder failed";
        }
        return step;
    }

private:
    z_stream stream;
    bool initialised = false;
};

}  // namespace

Encoder* newGzipEncoder() noexcept { return new (std::nothrow) GzipEncoder(); }

}  // namespace vrb::compress
