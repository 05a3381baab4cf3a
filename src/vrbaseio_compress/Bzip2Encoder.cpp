#include <bzlib.h>

#include <cstring>
#include <new>

#include "vrbaseio_compress/codec.h"

namespace vrb::compress {

namespace {

constexpr int kBzip2BlockSize = 9;

class Bzip2Encoder final : public Encoder {
public:
    ~Bzip2Encoder() override {
        if (initialised) BZ2_bzCompressEnd(&stream);
    }

    Step encode(const unsigned char* in, std::size_t inLength, bool finish, unsigned char* out,
                std::size_t outCapacity) noexcept override {
        Step step;
        if (!initialised) {
            std::memset(&stream, 0, sizeof stream);
            if (BZ2_bzCompressInit(&stream, kBzip2BlockSize, 0, 0) != BZ_OK) {
                step.fault = "bzip2 encoder is out of memory";
                return step;
            }
            initialised = true;
        }
        stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(in));
        stream.avail_in = static_cast<unsigned>(inLength);
        stream.next_out = reinterpret_cast<char*>(out);
        stream.avail_out = static_cast<unsigned>(outCapacity);
        const int result = BZ2_bzCompress(&stream, finish ? BZ_FINISH : BZ_RUN);
        step.consumed = inLength - stream.avail_in;
        step.produced = outCapacity - stream.avail_out;
        if (result == BZ_STREAM_END) {
            step.finished = true;
        } else if (result != BZ_RUN_OK && result != BZ_FINISH_OK) {
            step.fault = "bzip2 encoder failed";
        }
        return step;
    }

private:
    bz_stream stream;
    bool initialised = false;
};

}  // namespace

Encoder* newBzip2Encoder() noexcept { return new (std::nothrow) Bzip2Encoder(); }

}  // namespace vrb::compress
