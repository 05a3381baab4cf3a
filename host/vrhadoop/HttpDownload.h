// One streaming GET whose body the caller takes in slices as it arrives.
// The body waits in a buffer of fixed size; while the buffer is full the
// transfer waits (the connection stays open), so a reader that is slow to
// take holds no more than the buffer, however large the body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "HttpOutcome.h"
#include "transport.h"

namespace vrhadoop {

class HttpDownload {
public:
    static constexpr std::size_t kBufferBytes = 4u << 20;
    // Zero bytes after every slice handed out.
    static constexpr std::size_t kPadding = 16;

    HttpDownload() noexcept;
    ~HttpDownload();
    HttpDownload(const HttpDownload&) = delete;
    HttpDownload& operator=(const HttpDownload&) = delete;

    // Sets the request up; nothing need be sent before the first take(). A
    // body longer than `expectedBytes` is refused. False when the HTTP stack
    // or the buffer cannot be had (*outcome says so).
    bool start(const std::string& url, const TransportSettings& transport, std::uint64_t expectedBytes,
               HttpOutcome* outcome);

    // Up to `maxBytes` of the body at *data, followed by kPadding zero bytes
    // and valid until the next call; waits while none has arrived. 0 when the
    // body ended complete; -1 when the transfer failed or the answer was no
    // success (*outcome says how; bytes that arrived before a failure are
    // handed out first).
    long take(std::size_t maxBytes, char** data, HttpOutcome* outcome);

private:
    // The buffer, the HTTP stack's handles and the transfer's progress:
    // Unix/HttpDownload.inc (libcurl), Windows/HttpDownload.inc (WinHTTP).
    struct Transfer;
    std::unique_ptr<Transfer> transfer_;
};

}  // namespace vrhadoop
