#include <bzlib.h>

#include <climits>
#include <cstring>
#include <new>

#include "vrbaseio_compress/codec.h"

namespace vrb::compress {

namespace {

class Bzip2Decoder final : public Decoder {
public:
    ~Bzip2Decoder() override {
        if (inStream) BZ2_bzDecompressEnd(&stream);
    }

    Step decode(const unsigned char* in, std::size_t inLength, bool inputEnded, unsigned char* out,
                std::size_t outCapacity) noexcept override {
        Step step;
        if (!inStream) {
            if (inLength == 0) {
                step.finished = inputEnded;
                return step;
            }
            const std::size_t compared = inLength < 3 ? inLength : 3;
            if (std::memcmp(in, "BZh", compared) != 0) {
                step.fault = "bzip2 data is followed by bytes that are no bzip2 stream";
                return step;
            }
            std::memset(&stream, 0, sizeof stream);
            if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) {
                step.fault = "bzip2 decoder is out of memory";
                return step;
            }
            inStream = true;
        }
        stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(in));
        stream.avail_in = static_cast<unsigned>(inLength);
        stream.next_out = reinterpret_cast<char*>(out);
        stream.avail_out = static_cast<unsigned>(outCapacity);
        const int result = BZ2_bzDecompress(&stream);
        step.consumed = inLength - stream.avail_in;
        step.produced = outCapacity - stream.avail_out;
        switch (result) {
        case BZ_STREAM_END:
            BZ2_bzDecompressEnd(&stream);
            inStream = false;
            break;
        case BZ_OK:
            if (inputEnded && inLength == 0 && step.produced == 0) step.fault = "bzip2 stream ends before its end marker";
            break;
        case BZ_DATA_ERROR: step.fault = "bzip2 block checksum mismatch or corrupt block"; break;
        case BZ_DATA_ERROR_MAGIC: step.fault = "bzip2 stream header is corrupt"; break;
        case BZ_MEM_ERROR: step.fault = "bzip2 decoder is out of memory"; break;
        default: step.fault = "bzip2 decoder failed"; break;
        }
        return step;
    }

private:
    bz_stream stream;
    // Between a stream's header and its end marker.
    bool inStream = false;
};

}  // namespace

Decoder* newBzip2Decoder() noexcept { return new (std::nothrow) Bzip2Decoder(); }

}  // namespace vrb::compress
