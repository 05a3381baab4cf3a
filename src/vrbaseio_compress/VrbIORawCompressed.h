// A raw stream between a backend's raw stream and the text layer that makes
// a compressed file read and write as its text: reading decompresses a file
// whose first bytes carry a known signature, writing and appending compress
// to the format the file's name asks for. Otherwise bytes pass unchanged.
#pragma once

#include <cstdint>

#include "vrbaseio_compress/codec.h"
#include "vrbaseio_core/VrbIORaw.h"
#include "vrbclass/VrbString.h"

class VrbIORawCompressed final : public VrbIORaw {
public:
    // Bytes held decoded for the text layer, or encoded for the backend.
    static constexpr int kChunkSize = 128 * 1024;

    // Takes `inner` (closed) over. `nameFormat`: what a write or append
    // compresses to. `chunkSize`: the most bytes one read hands out.
    VrbIORawCompressed(VrbIORaw* inner, vrb::compress::Format nameFormat, int chunkSize = kChunkSize) noexcept;

    bool close() override;
    int read(char** data, int minBytes, int maxBytes) override;
    VrbString errorText() override;
    VrbString path() override;
    bool open(int openMode, int flags, int* bufferSize, int* encoding) override;
    int write(const char* data, int length) override;
    void destroy() override;
    // The inner stream's size: the size on disk, not the text's length.
    std::int64_t size() override;
    std::int64_t skip(std::int64_t count) override;
    int defaultEncoding() override;

private:
    ~VrbIORawCompressed();
    VrbIORawCompressed(const VrbIORawCompressed&) = delete;
    VrbIORawCompressed& operator=(const VrbIORawCompressed&) = delete;

    bool passesThrough() const noexcept { return format == vrb::compress::Format::None; }
    void sniff();
    int decodeInto(unsigned char* out, int capacity);
    void failAt(const char* fault, std::int64_t offset);
    bool finishMember();
    int drainChunk();

    VrbIORaw* inner;
    const vrb::compress::Format nameFormat;
    const int chunkSize;
    // None until open finds a format: then bytes pass through unchanged.
    vrb::compress::Format format = vrb::compress::Format::None;
    int innerBufferSize = 0;

    // Passing through a read: the sniffing read's result, handed on from
    // heldOffset by the first read (or skipped over) before the inner
    // stream is read again.
    bool holding = false;
    int heldLength = 0;
    int heldOffset = 0;
    char* held = nullptr;

    // Decoding: `input` holds inputLength bytes of the inner stream's
    // current chunk not yet decoded; inputEnded once the inner stream has
    // reported its end. decodedOffset counts the decompressed bytes handed
    // out or skipped. Once `failed`, every read and skip fails with
    // `failure`: data after a fault is never delivered.
    vrb::compress::Decoder* decoder = nullptr;
    const unsigned char* input = nullptr;
    int inputLength = 0;
    bool inputEnded = false;
    std::int64_t decodedOffset = 0;
    bool failed = false;
    VrbString failure;

    // Encoding: the member is open until `finished`; `chunk` holds
    // chunkLength encoded bytes the inner stream has not taken yet.
    vrb::compress::Encoder* encoder = nullptr;
    bool finished = false;
    int chunkLength = 0;

    // Room for a chunk, a larger read's minimum and kRawReadPadding zero bytes.
    unsigned char* chunk = nullptr;
    VrbString lastError;
};

// `raw` itself when no compression applies to the open, else `raw` inside
// a VrbIORawCompressed; null with *error set (and `raw` destroyed) when
// memory runs out.
VrbIORaw* addCompressionLayer(VrbIORaw* raw, const VrbString& name, int openMode, int flags, VrbString* error);
