// Standard output in large blocks: a line-by-line writer that only reaches
// the system once a mebibyte has gathered.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace vrbio {

class BufferedOutput {
public:
    explicit BufferedOutput(int descriptor);
    ~BufferedOutput();
    BufferedOutput(const BufferedOutput&) = delete;
    BufferedOutput& operator=(const BufferedOutput&) = delete;

    // False once any write has failed; the reason stays in error(). A piece
    // that fits is copied inline: cat appends two pieces a line.
    bool append(const char* data, std::size_t length) {
        if (length >= kCapacity - length_ || buffer_ == nullptr || !error_.empty()) return appendSlowly(data, length);
        std::memcpy(buffer_ + length_, data, length);
        length_ += length;
        return true;
    }
    bool append(char byte) { return append(&byte, 1); }
    bool append(const std::string& text) { return append(text.data(), text.size()); }
    bool flush();
    const std::string& error() const { return error_; }

private:
    bool appendSlowly(const char* data, std::size_t length);

    static constexpr std::size_t kCapacity = std::size_t{1} << 20;

    int descriptor_;
    char* buffer_;
    std::size_t length_ = 0;
    std::string error_;
};

}  // namespace vrbio
