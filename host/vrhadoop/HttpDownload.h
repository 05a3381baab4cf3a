// One streaming GET whose body the caller takes in slices as it arrives.
// The body waits in a buffer of fixed size; while the buffer is full the
// transfer pauses (the connection stays open), so a reader that is slow to
// take holds no more than the buffer, however large the body.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "HttpOutcome.h"
#include "curl_setup.h"

namespace vrhadoop {

class HttpDownload {
public:
    static constexpr std::size_t kBufferBytes = 4u << 20;
    // Zero bytes after every slice handed out.
    static constexpr std::size_t kPadding = 16;

    HttpDownload() noexcept = default;
    ~HttpDownload();
    HttpDownload(const HttpDownload&) = delete;
    HttpDownload& operator=(const HttpDownload&) = delete;

    // Sets the request up; nothing is sent before the first take(). A body
    // longer than `expectedBytes` is refused. False when the HTTP library or
    // the buffer cannot be had (*outcome says so).
    bool start(const std::string& url, const TransportSettings& transport, std::uint64_t expectedBytes,
               HttpOutcome* outcome);

    // Up to `maxBytes` of the body at *data, followed by kPadding zero bytes
    // and valid until the next call; waits while none has arrived. 0 when the
    // body ended complete; -1 when the transfer failed or the answer was no
    // success (*outcome says how; bytes that arrived before a failure are
    // handed out first).
    long take(std::size_t maxBytes, char** data, HttpOutcome* outcome);

private:
    static std::size_t receive(char* data, std::size_t size, std::size_t count, void* self) noexcept;

    // Runs the transfer until bytes wait in the buffer or it ended; false
    // (with outcome_.transportError set) on a failure of curl or a stall.
    bool drive();
    void collectCompletion();
    void restorePadding();

    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    char errorBuffer_[CURL_ERROR_SIZE] = {};

    std::unique_ptr<char[]> buffer_;   // kBufferBytes + kPadding
    std::size_t head_ = 0;             // first byte not handed out
    std::size_t tail_ = 0;             // end of the bytes received
    char savedBytes_[kPadding] = {};   // what the padding after the last slice covers
    std::size_t savedAt_ = 0;
    std::size_t savedCount_ = 0;
    std::uint64_t expected_ = 0;
    std::uint64_t received_ = 0;
    std::uint64_t progress_ = 0;       // bytes moved; the stall check watches it
    bool paused_ = false;
    bool finished_ = false;
    std::string refusal_;              // why receive() ended the transfer
    HttpOutcome outcome_;
};

}  // namespace vrhadoop
