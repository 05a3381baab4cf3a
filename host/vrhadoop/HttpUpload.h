// One streaming upload: a PUT or POST whose body is the bytes handed to
// send(), sent while the caller keeps writing. Data wait in a bounded queue;
// when nothing is queued the transfer waits (the connection stays open)
// until the next send() or finish().
//
// A body of unknown length travels chunked, where the HTTP stack can stream
// one (streamsUnknownLength()); a body whose length is given up front
// travels with that Content-Length, and sending more or less than it fails.
//
// Destroying an upload that was not finished abandons it: the connection is
// closed without ending the body, and the server keeps or drops what arrived.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "HttpClient.h"
#include "HttpOutcome.h"
#include "transport.h"

namespace vrhadoop {

class HttpUpload {
public:
    static constexpr std::size_t kQueueBytes = 4u << 20;
    static constexpr std::int64_t kUnknownLength = -1;

    // Whether this platform's HTTP stack can send a body of unknown length
    // to `url`'s server. libcurl can. WinHTTP, which carries Windows' https
    // uploads, needs the body's length when the request starts: a chunked
    // body would be the caller's to encode, and Wine's WinHTTP, which the
    // Windows build is tested under, sends "Content-Length: 0" with it and
    // passes no byte of the body on.
    static bool streamsUnknownLength(const std::string& url) noexcept;

    HttpUpload() noexcept;
    ~HttpUpload();
    HttpUpload(const HttpUpload&) = delete;
    HttpUpload& operator=(const HttpUpload&) = delete;

    // Sends the request line and headers to `url` (travelling as `transport`
    // says) and returns once the server takes the body. `contentLength` is
    // the body's length, or kUnknownLength (refused where
    // !streamsUnknownLength()). False when the transfer failed or the server
    // answered at once (*outcome says how).
    bool start(HttpMethod method, const std::string& url, const TransportSettings& transport,
               std::int64_t contentLength, HttpOutcome* outcome);
    // Queues the bytes, waiting for the connection while the queue is full.
    // False when the transfer failed or ended early (*outcome says how).
    bool send(const char* data, std::size_t length, HttpOutcome* outcome);
    // Ends the body and waits for the answer, which *outcome receives.
    // False only when no answer could be had (outcome->transportError).
    bool finish(HttpOutcome* outcome);
    // Whether every byte and the end of the body went out: after a failed
    // finish(), the server may still have the whole upload.
    bool bodySent() const noexcept;

private:
    // The queue, the HTTP stack's handles and the state of the exchange:
    // Unix/HttpUpload.inc (libcurl), Windows/HttpUpload.inc (WinHTTP).
    struct Transfer;
    std::unique_ptr<Transfer> transfer_;
};

}  // namespace vrhadoop
