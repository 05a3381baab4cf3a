#include "BufferedOutput.h"

#include <cstring>
#include <new>

#include "Platform.h"

namespace vrbio {

BufferedOutput::BufferedOutput(int descriptor)
    : descriptor_(descriptor), buffer_(new (std::nothrow) char[kCapacity]) {
    setBinaryOutput(descriptor);
}

BufferedOutput::~BufferedOutput() { delete[] buffer_; }

bool BufferedOutput::appendSlowly(const char* data, std::size_t length) {
    if (!error_.empty()) return false;
    if (buffer_ == nullptr || length >= kCapacity) {
        // Without a buffer, or for a piece larger than it, write straight through.
        return flush() && writeAll(descriptor_, data, length, &error_);
    }
    if (length > kCapacity - length_ && !flush()) return false;
    std::memcpy(buffer_ + length_, data, length);
    length_ += length;
    return true;
}

bool BufferedOutput::flush() {
    if (!error_.empty()) return false;
    std::size_t pending = length_;
    length_ = 0;
    return writeAll(descriptor_, buffer_, pending, &error_);
}

}  // namespace vrbio
