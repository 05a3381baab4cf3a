#include "vrbaseio_compress/VrbIORawCompressed.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "vrbaseio/VrbIO.h"
#include "vrbaseio_core/source_labels.h"
#include "vrbclass/vrb_message.h"

using vrb::compress::Format;

namespace {

constexpr int kReadMode = 1;
// The most a read asks at least: the text layer asks for a byte-order mark.
constexpr int kLargestMinimum = 16;

}  // namespace

VrbIORaw* addCompressionLayer(VrbIORaw* raw, const VrbString& name, int openMode, int flags, VrbString* error) {
    const auto bits = static_cast<unsigned>(flags);
    if (!raw || (bits & (VRB_TXT_RAW_BYTES | VRB_TXT_CHECK_ONLY))) return raw;
    const Format nameFormat = vrb::compress::formatForName(name.asCstr(), name.length());
    // Reading looks at the content whatever the name; writing goes by the name alone.
    if (openMode != kReadMode && nameFormat == Format::None) return raw;
    auto* layer = new (std::nothrow) VrbIORawCompressed(raw, nameFormat);
    if (!layer) {
        raw->destroy();
        *error = VRB_MESSAGE(kLabelCompress, 444);
    }
    return layer;
}

VrbIORawCompressed::VrbIORawCompressed(VrbIORaw* inner, Format nameFormat, int chunkSize) noexcept
    : inner(inner), nameFormat(nameFormat), chunkSize(chunkSize) {}

VrbIORawCompressed::~VrbIORawCompressed() {
    delete decoder;
    delete encoder;
    delete[] chunk;
}

void VrbIORawCompressed::destroy() {
    inner->destroy();
    delete this;
}

VrbString VrbIORawCompressed::errorText() { return passesThrough() ? inner->errorText() : lastError; }
VrbString VrbIORawCompressed::path() { return inner->path(); }
std::int64_t VrbIORawCompressed::size() { return inner->size(); }

int VrbIORawCompressed::defaultEncoding() { return inner->defaultEncoding(); }

bool VrbIORawCompressed::open(int openMode, int flags, int* bufferSize, int* encoding) {
    if (!inner->open(openMode, flags, bufferSize, encoding)) return false;
    innerBufferSize = *bufferSize;
    Format chosen = nameFormat;
    if (openMode == kReadMode) {
        sniff();
        chosen = heldLength > 0 ? vrb::compress::sniffFormat(reinterpret_cast<unsigned char*>(held),
                                                              static_cast<std::size_t>(heldLength))
                               : Format::None;
    }
    if (chosen == Format::None) return true;

    format = chosen;
    chunk = new (std::nothrow) unsigned char[chunkSize + kLargestMinimum + kRawReadPadding]();
    if (openMode == kReadMode) {
        decoder = vrb::compress::newDecoder(format);
        input = reinterpret_cast<unsigned char*>(held);
        inputLength = heldLength;
        holding = false;
    } else {
        encoder = vrb::compress::newEncoder(format);
    }
    if (!chunk || !(decoder || encoder)) {
        lastError = VRB_MESSAGE(kLabelCompress, 444);
        return false;
    }
    return true;
}

// A failed sniffing read is the first read's failure when the bytes pass through.
void VrbIORawCompressed::sniff() {
    char* data = nullptr;
    const int count = inner->read(&data, vrb::compress::kSignatureLength, innerBufferSize);
    holding = true;
    held = count < 0 ? nullptr : data;
    heldLength = count;
    heldOffset = 0;
}

int VrbIORawCompressed::read(char** data, int minBytes, int maxBytes) {
    if (passesThrough()) {
        if (!holding) return inner->read(data, minBytes, maxBytes);
        holding = false;
        if (heldLength < 0) return heldLength;
        *data = held + heldOffset;
        return heldLength - heldOffset;
    }
    if (!decoder) return -1;
    const int wanted = std::max(chunkSize, std::min(minBytes, kLargestMinimum));
    const int count = failed ? 0 : decodeInto(chunk, wanted);
    if (count == 0 && failed) {
        lastError = failure;
        return -1;
    }
    std::memset(chunk + count, 0, kRawReadPadding);
    *data = reinterpret_cast<char*>(chunk);
    return count;
}

std::int64_t VrbIORawCompressed::skip(std::int64_t count) {
    if (passesThrough()) {
        if (holding && heldLength >= 0) {
            const int rest = heldLength - heldOffset;
            if (count <= rest) {
                heldOffset += static_cast<int>(count);
                return count;
            }
            holding = false;
            const std::int64_t skipped = inner->skip(count - rest);
            return skipped < 0 ? skipped : count;
        }
        return inner->skip(count);
    }
    if (!decoder) return -1;
    for (std::int64_t left = count; left > 0;) {
        const int taken = failed ? 0 : decodeInto(chunk, static_cast<int>(std::min<std::int64_t>(left, chunkSize)));
        if (failed) {
            lastError = failure;
            return -1;
        }
        if (taken == 0) break;
        left -= taken;
    }
    return count;
}

// Decodes until `out` is full, the data ends or a fault is met; the bytes
// before a fault are delivered, the fault kept for the next call.
int VrbIORawCompressed::decodeInto(unsigned char* out, int capacity) {
    int produced = 0;
    while (produced < capacity) {
        if (inputLength == 0 && !inputEnded) {
            char* data = nullptr;
            const int count = inner->read(&data, 1, innerBufferSize);
            if (count < 0) {
                failed = true;
                failure = inner->errorText();
                break;
            }
            inputEnded = count == 0;
            input = reinterpret_cast<unsigned char*>(data);
            inputLength = count;
        }
        const vrb::compress::Step step = decoder->decode(input, static_cast<std::size_t>(inputLength), inputEnded,
                                                         out + produced, static_cast<std::size_t>(capacity - produced));
        input += step.consumed;
        inputLength -= static_cast<int>(step.consumed);
        produced += static_cast<int>(step.produced);
        if (step.fault) {
            failAt(step.fault, decodedOffset + produced);
            break;
        }
        if (step.finished) break;
    }
    decodedOffset += produced;
    return produced;
}

void VrbIORawCompressed::failAt(const char* fault, std::int64_t offset) {
    char number[24];
    std::snprintf(number, sizeof number, "%lld", static_cast<long long>(offset));
    failed = true;
    failure = VRB_MESSAGE(kLabelCompress, 1530, inner->path().asCstr(), vrb::compress::formatName(format), fault, number);
}

int VrbIORawCompressed::write(const char* data, int length) {
    if (passesThrough()) return inner->write(data, length);
    if (!encoder || finished) {
        lastError = VRB_MESSAGE(kLabelCompress, 336);
        return -1;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    for (int done = 0; done < length;) {
        const vrb::compress::Step step = encoder->encode(bytes + done, static_cast<std::size_t>(length - done), false,
                                                         chunk + chunkLength,
                                                         static_cast<std::size_t>(chunkSize - chunkLength));
        done += static_cast<int>(step.consumed);
        chunkLength += static_cast<int>(step.produced);
        if (step.fault) {
            lastError = VRB_MESSAGE(kLabelCompress, 1531, inner->path().asCstr(), vrb::compress::formatName(format),
                                    step.fault);
            return -1;
        }
        if (chunkLength == chunkSize || (step.consumed == 0 && step.produced == 0)) {
            const int drained = drainChunk();
            if (drained <= 0) return drained;
        }
    }
    return length;
}

// Hands the encoded bytes to the inner stream: the count it took last, not
// above 0 when it failed or took nothing.
int VrbIORawCompressed::drainChunk() {
    int done = 0;
    int taken = 1;
    while (done < chunkLength) {
        taken = inner->write(reinterpret_cast<char*>(chunk) + done, chunkLength - done);
        if (taken <= 0) {
            lastError = inner->errorText();
            return taken;
        }
        done += taken;
    }
    chunkLength = 0;
    return taken;
}

bool VrbIORawCompressed::finishMember() {
    finished = true;
    for (;;) {
        const vrb::compress::Step step = encoder->encode(nullptr, 0, true, chunk + chunkLength,
                                                         static_cast<std::size_t>(chunkSize - chunkLength));
        chunkLength += static_cast<int>(step.produced);
        if (step.fault) {
            lastError = VRB_MESSAGE(kLabelCompress, 1531, inner->path().asCstr(), vrb::compress::formatName(format),
                                    step.fault);
            return false;
        }
        if (chunkLength > 0 && drainChunk() <= 0) return false;
        if (step.finished) return true;
    }
}

bool VrbIORawCompressed::close() {
    if (passesThrough() || !encoder || finished) return inner->close();
    const bool encoded = finishMember();
    const bool closed = inner->close();
    if (encoded && !closed) lastError = inner->errorText();
    return encoded && closed;
}
