#include "vrbaseio_text/OutputBuffer.h"

#include <algorithm>
#include <new>

#include "vrbaseio_core/VrbIORaw.h"

namespace vrb::text {

bool OutputBuffer::open(VrbIORaw* stream, int size) noexcept {
    raw = stream;
    data = new (std::nothrow) char[static_cast<std::size_t>(size)];
    capacity = data ? size : 0;
    return data != nullptr;
}

bool OutputBuffer::pad(int width) {
    for (; padLength > 0 && width >= padLength; width -= padLength) {
        if (!append(padBytes, padLength)) return false;
    }
    return true;
}

// A raw stream may take part of what it is given; the rest goes again
// until everything is taken. One that takes nothing has failed.
bool OutputBuffer::flush() {
    int done = 0;
    while (done < length_) {
        const int taken = raw->write(data + done, length_ - done);
        if (taken <= 0) {
            lastRefusal = taken;
            std::memmove(data, data + done, static_cast<std::size_t>(length_ - done));
            length_ -= done;
            return false;
        }
        done += std::min(taken, length_ - done);
    }
    length_ = 0;
    return true;
}

// Kept out of line, so that the appends inlined on the fast paths stay small.
bool OutputBuffer::storeAfterFlush(const char* bytes, int length) {
    if (!flush()) return false;
    std::memcpy(data, bytes, static_cast<std::size_t>(length));
    length_ = length;
    return true;
}

bool OutputBuffer::finish() {
    if (length_ == 0) return true;
    const bool flushed = flush();
    length_ = 0;
    return flushed;
}

}  // namespace vrb::text
