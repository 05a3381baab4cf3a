// The raw byte stream under every text file; internal to the library.
// Operations in slot order.
#pragma once

#include <cstdint>

#include "vrbclass/VrbString.h"

// Every raw stream keeps at least this many zero bytes after the data that
// read() hands out, so that a character scan never runs past its buffer.
inline constexpr int kRawReadPadding = 16;

class VrbIORaw {
public:
    // Hands over what is still buffered for writing and closes; may be called again.
    virtual bool close() = 0;                                                  // 1
    // The next bytes: count (0 at end of file) with *data owned by the stream,
    // valid until the next operation; negative on failure.
    virtual int read(char** data, int minBytes, int maxBytes) = 0;             // 2
    virtual VrbString errorText() = 0;                                         // 3
    virtual VrbString path() = 0;                                              // 4
    virtual bool open(int openMode, int flags, int* bufferSize, int* encoding) = 0;  // 5
    // Bytes accepted, negative on failure.
    virtual int write(const char* data, int length) = 0;                       // 6
    // Ends the stream without flushing.
    virtual void destroy() = 0;                                                // 7
    virtual std::int64_t size() = 0;                                           // 8
    virtual std::int64_t skip(std::int64_t count) = 0;                         // 9

protected:
    ~VrbIORaw() = default;
};
