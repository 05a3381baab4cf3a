// The compressed formats a text file may be stored in, and the codecs that
// turn them into bytes and back, one step at a time over caller buffers.
#pragma once

#include <cstddef>

namespace vrb::compress {

enum class Format { None, Gzip, Bzip2, Xz, Zstd };

// The format's name as its tool spells it ("gzip", "bzip2", "xz", "zstd").
const char* formatName(Format format) noexcept;
// Longest signature sniffFormat looks at.
inline constexpr int kSignatureLength = 10;
// The format whose signature starts `bytes`; None when they are too few to
// tell or start no known signature.
Format sniffFormat(const unsigned char* bytes, std::size_t length) noexcept;
// The format a written file's name asks for: .gz .bz2 .xz .zst, any case.
Format formatForName(const char* name, std::size_t length) noexcept;

// What one step did. `fault` is set, and nothing else is meaningful after
// it, when the data cannot be coded any further; it names the format and
// what is wrong.
struct Step {
    std::size_t consumed = 0;
    std::size_t produced = 0;
    // Decoding: the input ended at a member boundary and nothing is left to
    // deliver. Encoding: the member is finished and fully produced.
    bool finished = false;
    const char* fault = nullptr;
};

// Decompresses one file: any number of members/streams/frames read through,
// anything after the last of them a fault.
class Decoder {
public:
    virtual ~Decoder() = default;
    // `inputEnded`: no bytes follow `in`. A step makes progress or reports
    // finished or a fault, unless `out` has no room.
    virtual Step decode(const unsigned char* in, std::size_t inLength, bool inputEnded, unsigned char* out,
                        std::size_t outCapacity) noexcept = 0;
};

// Compresses one member/stream/frame.
class Encoder {
public:
    virtual ~Encoder() = default;
    // `finish`: `in` is the last input; steps continue until finished.
    virtual Step encode(const unsigned char* in, std::size_t inLength, bool finish, unsigned char* out,
                        std::size_t outCapacity) noexcept = 0;
};

// Null when out of memory; the codec's own state is allocated on first use
// or here, as the library allows, and its failure is a step's fault.
Decoder* newDecoder(Format format) noexcept;
Encoder* newEncoder(Format format) noexcept;

Decoder* newGzipDecoder() noexcept;
Decoder* newBzip2Decoder() noexcept;
Decoder* newXzDecoder() noexcept;
Decoder* newZstdDecoder() noexcept;
Encoder* newGzipEncoder() noexcept;
Encoder* newBzip2Encoder() noexcept;
Encoder* newXzEncoder() noexcept;
Encoder* newZstdEncoder() noexcept;

// The limits that bound a decoder's memory whatever the data's ratio.
inline constexpr unsigned long long kXzMemoryLimit = 80ull << 20;
inline constexpr int kZstdWindowLogLimit = 27;

}  // namespace vrb::compress
