#include <zstd.h>
#include <zstd_errors.h>

#include <new>

#include "vrbaseio_compress/codec.h"

namespace vrb::compress {

namespace {

class ZstdDecoder final : public Decoder {
public:
    ~ZstdDecoder() override { ZSTD_freeDCtx(context); }

    Step decode(const unsigned char* in, std::size_t inLength, bool inputEnded, unsigned char* out,
                std::size_t outCapacity) noexcept override {
        Step step;
        if (!context) {
            context = ZSTD_createDCtx();
            if (!context || ZSTD_isError(ZSTD_DCtx_setParameter(context, ZSTD_d_windowLogMax, kZstdWindowLogLimit))) {
                step.fault = "zstd decoder is out of memory";
                return step;
            }
        }
        ZSTD_inBuffer input{in, inLength, 0};
        ZSTD_outBuffer output{out, outCapacity, 0};
        const std::size_t result = ZSTD_decompressStream(context, &output, &input);
        step.consumed = input.pos;
        step.produced = output.pos;
        if (ZSTD_isError(result)) {
            step.fault = faultOf(ZSTD_getErrorCode(result));
            return step;
        }
        // 0: a frame is complete and flushed, so the data may end here.
        if (result == 0) {
            betweenFrames = true;
        } else if (step.consumed > 0) {
            betweenFrames = false;
        }
        if (inputEnded && inLength == 0 && step.produced == 0) {
            if (betweenFrames) {
                step.finished = true;
            } else {
                step.fault = "zstd frame ends before its last block";
            }
        }
        return step;
    }

private:
    const char* faultOf(ZSTD_ErrorCode code) const noexcept {
        switch (code) {
        case ZSTD_error_checksum_wrong: return "zstd frame checksum mismatch";
        case ZSTD_error_prefix_unknown:
            return betweenFrames ? "zstd data is followed by bytes that are no zstd frame" : "zstd frame header is corrupt";
        case ZSTD_error_frameParameter_windowTooLarge:
            return "zstd frame needs a window larger than the 128 MiB limit";
        case ZSTD_error_memory_allocation: return "zstd decoder is out of memory";
        default: return "zstd compressed block is corrupt";
        }
    }

    ZSTD_DCtx* context = nullptr;
    // Every frame begun is complete: the data may end or a frame begin here.
    bool betweenFrames = true;
};

}  // namespace

Decoder* newZstdDecoder() noexcept { return new (std::nothrow) ZstdDecoder(); }

}  // namespace vrb::compress
