// The reading side of a text file: the bytes not yet consumed, the next
// character among them, and the file position they start at.
#pragma once

#include <cstdint>

#include "hx/hx_uchar.h"
#include "vrbaseio_core/VrbIORaw.h"
#include "vrbaseio_text/EncodingTraits.h"
#include "vrbaseio_text/LineCounter.h"

namespace vrb::text {

class InputCursor {
public:
    // One character at the cursor, not yet consumed.
    struct Character {
        int code = 0;          // code point; U+FFFD for bytes that do not scan
        int length = 0;        // bytes it takes in the file
        bool malformed = false;
        // Stateful sets: code points the bytes stand for (0 for an escape
        // or shift, which is no text; 2 when `second` follows `code`), and
        // the decoder's state after them.
        int count = 1;
        int second = 0;
        hx_uchar_state after{};
    };
    enum class Take { Character, EndOfFile, Failed };

    // The stream read from, the encoding characters are scanned in (its
    // longest character, its code unit of 1, 2 or 4 bytes, and their byte
    // order) and the chunk size asked of the stream.
    void attach(VrbIORaw* stream, int bufferSize) noexcept {
        raw = stream;
        chunkSize = bufferSize;
    }
    void setEncoding(int encodingId, const EncodingTraits& traits) noexcept {
        encoding = encodingId;
        maxCharSize = traits.maxCharSize;
        unitSize = traits.codeUnit;
        bigEndianUnits = traits.bigEndian;
        stateful = traits.stateful;
    }

    // Replaces the chunk with the stream's next one, of at least `minimum`
    // bytes where the stream has them. False when the stream fails (its
    // errorText says why; `*failure` holds its result); nothing is held then.
    bool fetch(int minimum, int rawMaximum, int* failure);
    // The next character, without consuming it (see the source for how a
    // character split over chunks is joined).
    Take peek(int rawMaximum, Character* next, int* failure);
    // Consumes `length` bytes: the pending ones first, then the chunk's.
    void consume(int length) {
        if (pendingLength > 0) return consumeWithPending(length);
        filePosition += length;
        chunkOffset += length;
        if (chunkOffset >= chunkLength) chunk = nullptr;
    }
    // Consumes a character a peek returned, and with it the decoder's
    // state after it.
    void take(const Character& taken) {
        consume(taken.length);
        if (stateful) decoderState = taken.after;
    }
    // Stateful sets: the decoder's state at the first unconsumed byte. The
    // bulk path moves it along with what it consumes.
    hx_uchar_state& decoder() noexcept { return decoderState; }
    // Copies the first `length` unconsumed bytes (at most those a peek has
    // just looked at) to `out`.
    void copyAhead(int length, unsigned char* out) const noexcept;
    // Drops `count` unconsumed bytes, asking the stream to skip what it has
    // not delivered. Nothing changes when that fails; else the line is lost.
    // In a stateful set the decoder starts afresh there.
    bool skip(std::int64_t count);
    // Drops a byte-order mark at the start of the first chunk: it is not
    // text and not counted in the position.
    void dropMark(int length) noexcept {
        chunkOffset += length;
        if (chunkOffset >= chunkLength) chunk = nullptr;
    }

    // The bulk paths read the chunk in place while no bytes are pending.
    bool hasRun() const noexcept { return pendingLength == 0 && chunk && chunkOffset < chunkLength; }
    const char* run() const noexcept { return chunk + chunkOffset; }
    int runLength() const noexcept { return chunkLength - chunkOffset; }
    // Consumes `textLength` bytes of the run and the `endLength` bytes of a
    // line end after them, and hands the text out where it lies, ended by a
    // zero written over the line end's first byte: consumed, it is never
    // read again, and the raw stream lets its reader change the bytes it
    // handed out. Valid until the next fetch.
    char* takeLineInPlace(int textLength, int endLength) noexcept {
        char* text = chunk + chunkOffset;
        text[textLength] = 0;
        consume(textLength + endLength);
        return text;
    }
    // Bytes from the chunk start (the mark detection looks at these).
    const unsigned char* chunkBytes() const noexcept { return reinterpret_cast<const unsigned char*>(chunk); }
    int chunkSizeHeld() const noexcept { return chunk ? chunkLength : 0; }

    // File offset of the first unconsumed byte, the mark not counted.
    std::int64_t position() const noexcept { return filePosition; }
    // The line of the first unconsumed byte; each read tells it what it
    // consumed when it ends.
    LineCounter& lines() noexcept { return lineCounter; }

private:
    void consumeWithPending(int length);
    int scan(const char* bytes, int* length, Character* next) const noexcept;
    bool owesReplacement(Character* next) const noexcept;

    VrbIORaw* raw = nullptr;
    int chunkSize = 0;
    int encoding = 0;
    int maxCharSize = 1;
    int unitSize = 1;
    bool bigEndianUnits = false;
    bool stateful = false;

    // Invariant: the unconsumed input is pendingBytes[0, pendingLength),
    // then chunk[chunkOffset, chunkLength) when chunk is set, then whatever
    // the stream has not yet delivered; filePosition is the file offset of
    // its first byte. chunk is null once nothing of it is left, and is the
    // stream's memory, valid until the next raw read. Bytes are pending only
    // while the character they start may continue in a later chunk; they are
    // copied out of the chunk because the next raw read overwrites it.
    // lineCounter holds the line ends before filePosition between reads
    // (a read tells it what it consumed as it ends); a skip loses them.
    // decoderState is the state of a stateful set's decoder at filePosition.
    char* chunk = nullptr;
    int chunkLength = 0;
    int chunkOffset = 0;
    char pendingBytes[16] = {};
    int pendingLength = 0;
    std::int64_t filePosition = 0;
    LineCounter lineCounter;
    hx_uchar_state decoderState{};
};

}  // namespace vrb::text
