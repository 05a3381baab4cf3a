#include "ScriptedRawStream.h"

#include <algorithm>
#include <cstring>

ScriptedRawStream* ScriptedRawStream::create(std::string content, std::vector<int> chunks) {
    return new ScriptedRawStream(std::move(content), std::move(chunks));
}

ScriptedRawStream::ScriptedRawStream(std::string content, std::vector<int> chunks)
    : content(std::move(content)), chunks(std::move(chunks)) {
    // Room up front, so that recording writes does not count as allocation
    // by the text layer.
    rec.written.reserve(1 << 20);
}

bool ScriptedRawStream::open(int openMode, int, int* bufferSize, int* encoding) {
    rec.lastOpenMode = openMode;
    if (rec.failOpen) {
        lastError.assign("scripted open failure");
        return false;
    }
    if (*bufferSize == 0) *bufferSize = rec.openBufferSize;
    if (*encoding < 0) *encoding = defaultEncoding();
    return true;
}

int ScriptedRawStream::read(char** data, int minBytes, int) {
    if (rec.readCalls++ == rec.failReadAt) {
        lastError.assign("scripted read failure");
        return -1;
    }
    std::size_t delivered = 0;
    std::string piece;
    do {
        std::size_t left = content.size() - offset;
        if (left == 0) break;
        std::size_t size = left;
        if (!chunks.empty()) {
            size = static_cast<std::size_t>(chunks[std::min(nextChunk, chunks.size() - 1)]);
            ++nextChunk;
            size = std::min(std::max<std::size_t>(size, 1), left);
        }
        piece.append(content, offset, size);
        offset += size;
        delivered += size;
    } while (static_cast<int>(delivered) < minBytes);
    // Fresh memory for every read, padded as every raw stream pads, so that
    // ASan catches a scan past the padding or a use of an old chunk.
    std::vector<char> fresh(piece.size() + kRawReadPadding, 0);
    buffer.swap(fresh);
    std::memcpy(buffer.data(), piece.data(), piece.size());
    *data = buffer.data();
    return static_cast<int>(piece.size());
}

int ScriptedRawStream::write(const char* data, int length) {
    ++rec.writeCalls;
    if (rec.failWritesAfter >= 0 && rec.writeCalls > rec.failWritesAfter) {
        lastError.assign("scripted write failure");
        return -1;
    }
    const int taken = rec.acceptAtMost >= 0 ? std::min(length, rec.acceptAtMost) : length;
    rec.written.append(data, static_cast<std::size_t>(taken));
    return taken;
}

bool ScriptedRawStream::close() {
    ++rec.closeCalls;
    return true;
}

std::int64_t ScriptedRawStream::skip(std::int64_t count) {
    offset = std::min(content.size(), offset + static_cast<std::size_t>(count));
    return count;
}
