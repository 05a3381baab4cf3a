#include <cctype>
#include <cstring>

#include "vrbaseio_compress/codec.h"

namespace vrb::compress {

namespace {

bool startsWith(const unsigned char* bytes, std::size_t length, const char* signature, std::size_t signatureLength) {
    return length >= signatureLength && std::memcmp(bytes, signature, signatureLength) == 0;
}

bool endsWithNoCase(const char* name, std::size_t length, const char* suffix) {
    const std::size_t suffixLength = std::strlen(suffix);
    if (length <= suffixLength) return false;
    for (std::size_t i = 0; i < suffixLength; ++i) {
        const auto c = static_cast<unsigned char>(name[length - suffixLength + i]);
        if (std::tolower(c) != suffix[i]) return false;
    }
    return true;
}

}  // namespace

const char* formatName(Format format) noexcept {
    switch (format) {
    case Format::Gzip: return "gzip";
    case Format::Bzip2: return "bzip2";
    case Format::Xz: return "xz";
    case Format::Zstd: return "zstd";
    case Format::None: break;
    }
    return "plain";
}

// Each signature is long enough that plain text does not start with it:
// gzip's names its method (deflate), bzip2's is followed by a block or an
// end-of-stream magic number.
Format sniffFormat(const unsigned char* bytes, std::size_t length) noexcept {
    if (startsWith(bytes, length, "\x1F\x8B\x08", 3)) return Format::Gzip;
    if (startsWith(bytes, length, "\xFD" "7zXZ\0", 6)) return Format::Xz;
    if (startsWith(bytes, length, "\x28\xB5\x2F\xFD", 4)) return Format::Zstd;
    if (length >= 4 && (bytes[0] & 0xF0) == 0x50 && std::memcmp(bytes + 1, "\x2A\x4D\x18", 3) == 0) return Format::Zstd;
    if (startsWith(bytes, length, "BZh", 3) && length >= kSignatureLength && bytes[3] >= '1' && bytes[3] <= '9' &&
        (std::memcmp(bytes + 4, "\x31\x41\x59\x26\x53\x59", 6) == 0 ||
         std::memcmp(bytes + 4, "\x17\x72\x45\x38\x50\x90", 6) == 0)) {
        return Format::Bzip2;
    }
    return Format::None;
}

Format formatForName(const char* name, std::size_t length) noexcept {
    if (endsWithNoCase(name, length, ".gz")) return Format::Gzip;
    if (endsWithNoCase(name, length, ".bz2")) return Format::Bzip2;
    if (endsWithNoCase(name, length, ".xz")) return Format::Xz;
    if (endsWithNoCase(name, length, ".zst")) return Format::Zstd;
    return Format::None;
}

Decoder* newDecoder(Format format) noexcept {
    switch (format) {
    case Format::Gzip: return newGzipDecoder();
    case Format::Bzip2: return newBzip2Decoder();
    case Format::Xz: return newXzDecoder();
    case Format::Zstd: return newZstdDecoder();
    case Format::None: break;
    }
    return nullptr;
}

Encoder* newEncoder(Format format) noexcept {
    switch (format) {
    case Format::Gzip: return newGzipEncoder();
    case Format::Bzip2: return newBzip2Encoder();
    case Format::Xz: return newXzEncoder();
    case Format::Zstd: return newZstdEncoder();
    case Format::None: break;
    }
    return nullptr;
}

}  // namespace vrb::compress
