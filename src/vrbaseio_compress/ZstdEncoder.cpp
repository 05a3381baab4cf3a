#include <zstd.h>

#include <new>

#include "vrbaseio_compress/codec.h"

namespace vrb::compress {

namespace {

constexpr int kZstdLevel = 3;

class ZstdEncoder final : public Encoder {
public:
    ~ZstdEncoder() override { ZSTD_freeCCtx(context); }

    Step encode(const unsigned char* in, std::size_t inLength, bool finish, unsigned char* out,
                std::size_t outCapacity) noexcept override {
        Step step;
        if (!context) {
            context = ZSTD_createCCtx();
            // The checksum, as the zstd tool writes it, lets a reader catch corruption.
            if (!context || ZSTD_isError(ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, kZstdLevel)) ||
                ZSTD_isError(ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1))) {
                step.fault = "zstd encoder is out of memory";
                return step;
            }
        }
        ZSTD_inBuffer input{in, inLength, 0};
        ZSTD_outBuffer output{out, outCapacity, 0};
        const std::size_t remaining = ZSTD_compressStream2(context, &output, &input, finish ? ZSTD_e_end : ZSTD_e_continue);
        step.consumed = input.pos;
        step.produced = output.pos;
        if (ZSTD_isError(remaining)) {
            step.fault = "zstd encoder failed";
        } else if (finish && remaining == 0) {
            step.finished = true;
        }
        return step;
    }

private:
    ZSTD_CCtx* context = nullptr;
};

}  // namespace

Encoder* newZstdEncoder() noexcept { return new (std::nothrow) ZstdEncoder(); }

}  // namespace vrb::compress
