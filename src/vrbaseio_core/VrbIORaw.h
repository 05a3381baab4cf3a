// The raw byte stream under every text file; internal to the library.
// Operations in slot order.
#pragma once

#include <cstdint>

#include "vrbclass/VrbString.h"

// Every raw stream keeps at least this many zero bytes after the data that
// read() hands out, so that a character scan never runs past its buffer.
inline constexpr int kRawReadPadding = 16;

// A raw stream is made closed and opened once by its text file, which owns
// it. Failures leave the reason in errorText().
class VrbIORaw {
public:
    // Hands over what is still buffered for writing and closes; may be called again.
    virtual bool close() = 0;                                                  // 1
    // The next bytes: at least `minBytes` where the stream has them, at most
    // about `maxBytes`; the count (0 at end of file) with *data owned by the
    // stream, followed by kRawReadPadding zero bytes, and valid until the
    // next operation, during which the caller may change them (the stream
    // never reads them back). Negative on failure; the next read starts afresh.
    virtual int read(char** data, int minBytes, int maxBytes) = 0;             // 2
    // A copy of the last error message (path and cause); empty when nothing failed.
    virtual VrbString errorText() = 0;                                         // 3
    // The location the stream was made for.
    virtual VrbString path() = 0;                                              // 4
    // Opens in `openMode` (0 append, 1 read, 2 write; other values fail),
    // with the text-open `flags` (VRB_TXT_CHECK_ONLY: only establish that the
    // file opens). *bufferSize: 0 asks the stream to choose, and the size the
    // text file should use is written back. *encoding: a negative value is
    // replaced by the stream's choice, defaultEncoding(). False with
    // errorText on failure; called once.
    virtual bool open(int openMode, int flags, int* bufferSize, int* encoding) = 0;  // 5
    // Hands `length` bytes to the stream (write and append modes); the bytes
    // accepted, which may be fewer, negative on failure.
    virtual int write(const char* data, int length) = 0;                       // 6
    // Ends the stream without flushing (the text file calls close first)
    // and frees it; the pointer is dangling afterwards.
    virtual void destroy() = 0;                                                // 7
    // The file's size in bytes; 0 or negative when it cannot be told.
    virtual std::int64_t size() = 0;                                           // 8
    // Passes over `count` bytes not yet read (reading only; a position past
    // the end reads as the end). Non-negative on success, negative on
    // failure; the text layer looks at nothing but the sign.
    virtual std::int64_t skip(std::int64_t count) = 0;                         // 9
    // The encoding open() gives a negative request (local: the locale's
    // character set; Hadoop: UTF-8), told without touching the file, so
    // that a text file refuses an encoding before a write open truncates.
    // May be an id the character-set layer does not know.
    virtual int defaultEncoding() = 0;                                         // 10

protected:
    ~VrbIORaw() = default;
};
