// The writing side of a text file: bytes already in the file's encoding,
// collected until the buffer is full or the file closes, and the output
// position they reach.
#pragma once

#include <cstdint>
#include <cstring>

#include "hx/hx_uchar.h"

class VrbIORaw;

namespace vrb::text {

class OutputBuffer {
public:
    OutputBuffer() = default;
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;
    ~OutputBuffer() { delete[] data; }

    // The stream flushed to, and room for `size` bytes. False when memory
    // is short; nothing can be written then.
    bool open(VrbIORaw* stream, int size) noexcept;
    bool isOpen() const noexcept { return data != nullptr; }
    // Appending to a file that already holds `offset` bytes.
    void startAt(std::int64_t offset) noexcept { written = offset; }
    // The newline and the pad character in the file's encoding (16 bytes at most).
    void setNewline(const char* bytes, int length) noexcept { keep(bytes, length, newlineBytes, &newlineLength); }
    void setPad(const char* bytes, int length) noexcept { keep(bytes, length, padBytes, &padLength); }

    // Each false return below means a flush failed: the stream reported an
    // error (streamFailed()) or took nothing.
    bool append(const char* bytes, int length) {
        if (!store(bytes, length)) return false;
        written += length;
        return true;
    }
    // The byte-order mark: written, but not text, so not in the position.
    bool appendMark(const char* bytes, int length) { return store(bytes, length); }
    bool newline() {
        if (room() < static_cast<int>(sizeof newlineBytes)) return append(newlineBytes, newlineLength);
        // The common case in one fixed-size copy: what lands past the
        // newline is free room.
        std::memcpy(end(), newlineBytes, sizeof newlineBytes);
        commit(newlineLength);
        return true;
    }
    // As many pad characters as fit in `width` bytes.
    bool pad(int width);
    // Hands the buffer to the stream (see the source for partial writes).
    bool flush();
    // The last flush, at close: the buffer is empty afterwards whatever the
    // stream did.
    bool finish();
    bool streamFailed() const noexcept { return lastRefusal < 0; }

    // The bulk paths encode straight into the free room, then commit what
    // they stored.
    int room() const noexcept { return capacity - length_; }
    char* end() noexcept { return data + length_; }
    void commit(int length) noexcept {
        length_ += length;
        written += length;
    }

    // A stateful set's encoder, in the state after the bytes appended.
    hx_uchar_state& encoder() noexcept { return encoderState; }

    // Bytes of text written so far, the byte-order mark not counted.
    std::int64_t position() const noexcept { return written; }

private:
    bool store(const char* bytes, int length) {
        if (length > room()) return storeAfterFlush(bytes, length);
        std::memcpy(data + length_, bytes, static_cast<std::size_t>(length));
        length_ += length;
        return true;
    }
    bool storeAfterFlush(const char* bytes, int length);
    static void keep(const char* bytes, int length, char* into, int* kept) noexcept {
        std::memcpy(into, bytes, static_cast<std::size_t>(length));
        *kept = length;
    }

    VrbIORaw* raw = nullptr;
    // Invariant: data[0, length_) holds the bytes appended and not yet taken
    // by the stream, 0 <= length_ <= capacity. written is the output
    // position: the bytes of text appended so far (the mark not counted),
    // after what the file held when appending began; it moves when bytes
    // are appended, never when they are flushed. A failed flush leaves
    // exactly the bytes not taken at data[0, length_), so that a later
    // flush sends no byte twice and drops none unreported. data is null
    // until open, and then stays.
    char* data = nullptr;
    int capacity = 0;
    int length_ = 0;
    std::int64_t written = 0;
    // What the stream returned on the last failed flush: negative when it
    // reported an error, 0 when it took nothing.
    int lastRefusal = 0;

    char newlineBytes[16] = {};
    int newlineLength = 0;
    char padBytes[16] = {};
    int padLength = 0;
    hx_uchar_state encoderState{};
};

}  // namespace vrb::text
