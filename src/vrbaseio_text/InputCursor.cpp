#include "vrbaseio_text/InputCursor.h"

#include <algorithm>
#include <cstring>

#include "hx/hx_uchar.h"

namespace vrb::text {

namespace {

constexpr int kReplacement = 0xFFFD;
// The longest character the join area holds.
constexpr int kJoinCapacity = 15;

}  // namespace

bool InputCursor::fetch(int minimum, int rawMaximum, int* failure) {
    const int count = raw->read(&chunk, minimum, std::max(chunkSize, rawMaximum));
    if (count < 0) {
        // The stream's memory is no longer ours to scan; the next read asks afresh.
        chunk = nullptr;
        chunkLength = 0;
        chunkOffset = 0;
        *failure = count;
        return false;
    }
    chunkLength = count;
    chunkOffset = 0;
    return true;
}

// A character that may continue beyond the current chunk moves its bytes to
// pendingBytes, and later chunks are joined behind them until the scanner
// can decide; so a character split over any number of chunks reads as it
// would in one.
InputCursor::Take InputCursor::peek(int rawMaximum, Character* next, int* failure) {
    for (;;) {
        if (!chunk && !fetch(0, rawMaximum, failure)) return Take::Failed;
        const bool endOfFile = chunkLength == 0;
        int code;
        int length = 0;
        int available;
        if (pendingLength == 0) {
            if (endOfFile) return stateful && owesReplacement(next) ? Take::Character : Take::EndOfFile;
            available = chunkLength - chunkOffset;
            code = scan(chunk + chunkOffset, &length, next);
        } else {
            const int fromChunk = endOfFile ? 0 : std::min(kJoinCapacity - pendingLength, chunkLength - chunkOffset);
            char join[kJoinCapacity + kRawReadPadding] = {};
            std::memcpy(join, pendingBytes, static_cast<std::size_t>(pendingLength));
            // At the end some streams hold no chunk at all, and memcpy takes no null source.
            if (fromChunk > 0) std::memcpy(join + pendingLength, chunk + chunkOffset, static_cast<std::size_t>(fromChunk));
            available = pendingLength + fromChunk;
            code = scan(join, &length, next);
        }
        if (length < 1) length = 1;

        // At the end a stateful step that wanted the byte after the data
        // stands as it is: that byte would only have decided between waiting
        // and going on.
        const bool complete = code >= 0 && (length <= available || (stateful && endOfFile));
        // A scan that failed on fewer bytes than the longest character may
        // have looked at the zero padding, so only more data can decide it.
        if (complete || endOfFile || available >= maxCharSize) {
            next->malformed = !complete;
            next->code = complete ? code : kReplacement;
            if (!complete) next->count = 1;
            next->length = std::min(length, available);
            // At the end of the data, a UTF-16 high surrogate followed by
            // half a unit is one cut pair, as every other cut sequence is
            // one fault, whatever the odd byte happens to be.
            if (!complete && endOfFile && unitSize == 2 && maxCharSize == 4 && available == 3) {
                const char* at = pendingLength > 0 ? pendingBytes : chunk + chunkOffset;
                const auto lead = static_cast<unsigned char>(at[bigEndianUnits ? 0 : 1]);
                if (lead >= 0xD8 && lead <= 0xDB) next->length = available;
            }
            return Take::Character;
        }

        // The character may continue in the next chunk.
        const int rest = chunkLength - chunkOffset;
        std::memcpy(pendingBytes + pendingLength, chunk + chunkOffset, static_cast<std::size_t>(rest));
        pendingLength += rest;
        chunkOffset = chunkLength;
        chunk = nullptr;
    }
}

// The character at `bytes`: its code point (the first of two, or 0 for an
// escape, as `next` says in a stateful set), negative when malformed.
int InputCursor::scan(const char* bytes, int* length, Character* next) const noexcept {
    if (!stateful) return hx_uchar_chscan(encoding, bytes, length);
    next->after = decoderState;
    int codes[HX_UCHAR_MAX_CODES] = {};
    const int count = hx_uchar_scan_state(encoding, bytes, &next->after, codes, length);
    next->count = count < 0 ? 1 : count;
    next->second = codes[1];
    return count < 0 ? -1 : codes[0];
}

// A stateful set's data that ends inside a sequence owes one U+FFFD, which
// takes no bytes and leaves the initial state.
bool InputCursor::owesReplacement(Character* next) const noexcept {
    hx_uchar_state end = decoderState;
    if (!hx_uchar_finish_state(encoding, &end)) return false;
    next->code = kReplacement;
    next->length = 0;
    next->malformed = true;
    next->count = 1;
    next->after = end;
    return true;
}

void InputCursor::consumeWithPending(int length) {
    filePosition += length;
    const int fromPending = std::min(length, pendingLength);
    if (fromPending > 0) {
        pendingLength -= fromPending;
        std::memmove(pendingBytes, pendingBytes + fromPending, static_cast<std::size_t>(pendingLength));
        length -= fromPending;
    }
    if (length > 0) {
        chunkOffset += length;
        if (chunkOffset >= chunkLength) chunk = nullptr;
    }
}

void InputCursor::copyAhead(int length, unsigned char* out) const noexcept {
    const int fromPending = std::min(length, pendingLength);
    std::memcpy(out, pendingBytes, static_cast<std::size_t>(fromPending));
    if (length > fromPending && chunk) {
        std::memcpy(out + fromPending, chunk + chunkOffset, static_cast<std::size_t>(length - fromPending));
    }
}

bool InputCursor::skip(std::int64_t count) {
    const int inChunk = chunk ? chunkLength - chunkOffset : 0;
    const std::int64_t held = pendingLength + std::int64_t{inChunk};
    if (count >= held) {
        if (raw->skip(count - held) < 0) return false;
        if (count > 0) lineCounter.lose();
        decoderState = hx_uchar_state{};
        pendingLength = 0;
        chunk = nullptr;
        chunkOffset = 0;
        chunkLength = 0;
        filePosition += count;
        return true;
    }
    if (count > 0) lineCounter.lose();
    consume(static_cast<int>(count));
    decoderState = hx_uchar_state{};
    return true;
}

}  // namespace vrb::text
