// Taking a fuzz target's choices from its input, and failing loudly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vrbfuzz {

// Reads choices from the front of the input; past its end every choice is
// the smallest, so that short inputs stay meaningful.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ == size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    bool flag() { return byte() & 1; }
    // A value in [low, high] (high - low below 65536).
    int range(int low, int high) {
        unsigned span = static_cast<unsigned>(high - low) + 1;
        unsigned value = span > 256 ? static_cast<unsigned>(byte()) << 8 | byte() : byte();
        return low + static_cast<int>(value % span);
    }
    // Up to `most` bytes: a length byte, then that many.
    std::string text(std::size_t most) {
        std::size_t length = byte();
        if (length > most) length = most;
        return take(length);
    }
    std::string rest() { return take(size_ - at_); }

private:
    std::string take(std::size_t length) {
        if (length > size_ - at_) length = size_ - at_;
        std::string out(reinterpret_cast<const char*>(data_ + at_), length);
        at_ += length;
        return out;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Hex of bytes, for reports.
inline std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

}  // namespace vrbfuzz

// A broken promise: says which, and aborts so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition, ...)                                                          \
    do {                                                                                    \
        if (!(condition)) {                                                                 \
            std::fprintf(stderr, "%s:%d: check failed: %s\n  ", __FILE__, __LINE__, #condition); \
            std::fprintf(stderr, __VA_ARGS__);                                              \
            std::fprintf(stderr, "\n");                                                     \
            std::abort();                                                                   \
        }                                                                                   \
    } while (0)
