// Writing: characters from the internal form into the file's encoding,
// collected in the output buffer, which reaches the raw stream only when full.
#include <algorithm>
#include <cstring>

#include "hx/hx_uchar.h"
#include "vrbaseio_text/VrbIOTextWrapper.h"
#include "vrbaseio_text/utf8_sequence.h"

namespace {

constexpr int kReplacement = 0xFFFD;

// One character of the caller's text in the file's encoding.
struct Encoded {
    char bytes[16];
    int length;        // output bytes
    int textLength;    // internal-form bytes it took
};

// `available` bytes of text may be read: the caller's text need not be
// zero-terminated, so a sequence cut short at its end is scanned from a
// padded copy rather than past the caller's bytes. U+0000 is `zeroLength`
// zero bytes: the encoder takes zero-terminated text and cannot write it.
void encodeCharacter(int encoding, int zeroLength, const char* text, int available, Encoded* out) {
    int taken = 1;
    int code;
    if (available >= 4) {
        code = hx_uchar_toint(text, &taken);
    } else {
        char padded[8] = {};
        std::memcpy(padded, text, static_cast<std::size_t>(available));
        code = hx_uchar_toint(padded, &taken);
        if (taken > available) taken = available;
    }
    out->textLength = taken < 1 ? 1 : taken;
    if (code == 0) {
        std::memset(out->bytes, 0, static_cast<std::size_t>(zeroLength));
        out->length = zeroLength;
        return;
    }
    if (code < 0) code = kReplacement;
    char scratch[16];
    int length = hx_uchar_intcopy(code, scratch, 15);
    scratch[length] = 0;
    out->length = hx_uchar_decode(encoding, scratch, out->bytes, 16);
}

}  // namespace

bool VrbIOTextWrapper::putOutput(const char* bytes, int length) {
    if (length > lineBufferSize - lineLength && !flushOutput()) return false;
    std::memcpy(lineBuffer + lineLength, bytes, static_cast<std::size_t>(length));
    lineLength += length;
    position += length;
    return true;
}

bool VrbIOTextWrapper::write(const char* text, int length) {
    if (refuseUnlessWriting()) return false;
    if (length <= 0) return true;
    const auto* cursor = reinterpret_cast<const unsigned char*>(text);
    // ASCII characters are single bytes, or 16-bit units; 32-bit forms take
    // the per-character way.
    const int asciiUnit = bulk.unit <= 2 ? bulk.unit : 0;
    const bool bigEndian = bulk.bigEndian;
    const bool utf8 = bulk.utf8;
    while (length > 0) {
        if (fastPaths && asciiUnit) {
            // A run of ASCII characters: each is its own byte (or unit) in
            // the file, so the run is copied as the per-character loop would.
            const int room = (lineBufferSize - lineLength) >> (asciiUnit - 1);
            if (room == 0) {
                if (!flushOutput()) return false;
                continue;
            }
            const int limit = std::min(length, room);
            const int run = kernels->storePlainText(cursor, limit, lineBuffer + lineLength, asciiUnit, bigEndian);
            lineLength += run * asciiUnit;
            position += run * asciiUnit;
            cursor += run;
            length -= run;
            if (run == limit) continue;
            // A well-formed character of the internal form is the file's
            // bytes as they stand in UTF-8, and one unit in UTF-16 or UCS-2
            // when it lies in the BMP.
            unsigned code = 0;
            const int taken = vrb::utf8::wellFormed(cursor, length, &code);
            if (taken > 0 && (utf8 || code < 0x10000)) {
                char bytes[4];
                int outLength = taken;
                if (utf8) {
                    std::memcpy(bytes, cursor, static_cast<std::size_t>(taken));
                } else if (asciiUnit == 2) {
                    bytes[bigEndian ? 0 : 1] = static_cast<char>(code >> 8);
                    bytes[bigEndian ? 1 : 0] = static_cast<char>(code & 0xFF);
                    outLength = 2;
                } else {
                    outLength = 0;
                }
                if (outLength > 0) {
                    if (!putOutput(bytes, outLength)) return false;
                    cursor += taken;
                    length -= taken;
                    continue;
                }
            }
        }
        if (fastPaths && (properties & HX_PROP_BULK)) {
            // Table-driven sets: the layer converts the run up to anything
            // the per-character path decides (U+0000, invalid text).
            if (lineBufferSize - lineLength < 4) {
                if (!flushOutput()) return false;
            }
            int taken = 0;
            const int written = hx_uchar_encode_run(encodingId, reinterpret_cast<const char*>(cursor), length,
                                                    lineBuffer + lineLength, lineBufferSize - lineLength, &taken);
            if (taken > 0) {
                lineLength += written;
                position += written;
                cursor += taken;
                length -= taken;
                continue;
            }
        }
        Encoded encoded;
        encodeCharacter(encodingId, zeroLength, reinterpret_cast<const char*>(cursor), length, &encoded);
        if (!putOutput(encoded.bytes, encoded.length)) return false;
        cursor += encoded.textLength;
        length -= encoded.textLength;
    }
    return true;
}

bool VrbIOTextWrapper::write(const char* text, int length, int width) {
    if (refuseUnlessWriting()) return false;
    if (width <= 0) return true;
    const char* cursor = text;
    while (length > 0) {
        Encoded encoded;
        encodeCharacter(encodingId, zeroLength, cursor, length, &encoded);
        if (encoded.length > width) break;
        if (!putOutput(encoded.bytes, encoded.length)) return false;
        cursor += encoded.textLength;
        length -= encoded.textLength;
        width -= encoded.length;
        if (width == 0) return true;
    }
    while (padLength > 0 && width >= padLength) {
        if (!putOutput(padBytes, padLength)) return false;
        width -= padLength;
    }
    return true;
}

bool VrbIOTextWrapper::writeln(const char* text, int length, int width) {
    if (!write(text, length, width)) return false;
    return appendBytes(newlineBytes, newlineLength, true);
}

bool VrbIOTextWrapper::writeln(const char* text, int length) {
    if (!write(text, length)) return false;
    if (newlineLength > lineBufferSize - lineLength) return appendBytes(newlineBytes, newlineLength, true);
    // The common case, without the general copy: a newline is a few bytes.
    for (int i = 0; i < newlineLength; ++i) lineBuffer[lineLength + i] = newlineBytes[i];
    lineLength += newlineLength;
    position += newlineLength;
    return true;
}
