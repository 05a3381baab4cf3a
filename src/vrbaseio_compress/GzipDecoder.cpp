#include <zlib.h>

#include <cstring>
#include <new>

#include "vrbaseio_compress/codec.h"

namespace vrb::compress {

namespace {

class GzipDecoder final : public Decoder {
public:
    ~GzipDecoder() override {
        if (initialised) inflateEnd(&stream);
    }

    Step decode(const unsigned char* in, std::size_t inLength, bool inputEnded, unsigned char* out,
                std::size_t outCapacity) noexcept override {
        Step step;
        if (!inMember) {
            if (inLength == 0) {
                step.finished = inputEnded;
                return step;
            }
            if (in[0] != 0x1F || (inLength > 1 && in[1] != 0x8B)) {
                step.fault = "gzip data is followed by bytes that are no gzip member";
                return step;
            }
            if (!startMember()) {
                step.fault = "gzip decoder is out of memory";
                return step;
            }
        }
        stream.next_in = const_cast<unsigned char*>(in);
        stream.avail_in = static_cast<uInt>(inLength);
        stream.next_out = out;
        stream.avail_out = static_cast<uInt>(outCapacity);
        const int result = inflate(&stream, Z_NO_FLUSH);
        step.consumed = inLength - stream.avail_in;
        step.produced = outCapacity - stream.avail_out;
        if (result == Z_STREAM_END) {
            inMember = false;
        } else if (result == Z_BUF_ERROR || (result == Z_OK && step.consumed == 0 && step.produced == 0)) {
            if (inputEnded && stream.avail_in == 0) step.fault = "gzip stream ends before its trailer";
        } else if (result != Z_OK) {
            step.fault = faultOf(result);
        }
        return step;
    }

private:
    bool startMember() noexcept {
        if (!initialised) {
            std::memset(&stream, 0, sizeof stream);
            // 16: a gzip wrapper and no other.
            if (inflateInit2(&stream, 15 + 16) != Z_OK) return false;
            initialised = true;
        } else if (inflateReset(&stream) != Z_OK) {
            return false;
        }
        inMember = true;
        return true;
    }

    const char* faultOf(int result) const noexcept {
        if (result == Z_MEM_ERROR) return "gzip decoder is out of memory";
        const char* reason = stream.msg ? stream.msg : "";
        if (std::strcmp(reason, "incorrect data check") == 0) return "gzip member checksum (CRC-32) mismatch";
        if (std::strcmp(reason, "incorrect length check") == 0) return "gzip member length mismatch";
        if (std::strstr(reason, "header")) return "gzip member header is corrupt";
        return "gzip compressed block is corrupt";
    }

    z_stream stream;
    bool initialised = false;
    // Between a member's first byte and its trailer.
    bool inMember = false;
};

}  // namespace

Decoder* newGzipDecoder() noexcept { return new (std::nothrow) GzipDecoder(); }

}  // namespace vrb::compress
