// An upload over a connection of its own, for http servers, with the
// HttpUpload contract: a body of unknown length streams chunked, one of
// known length goes with its Content-Length, and interim answers
// ("100 Continue") are skipped as HTTP/1.1 says.
//
// It exists because Wine's WinHTTP, which the Windows build is tested under,
// cannot take a DataNode's answer to an upload: the DataNode sends
// "100 Continue" unasked, and Wine's reader of the answer (read_reply)
// takes the empty line that ends it for the status line of the next answer
// and fails with ERROR_WINHTTP_INVALID_SERVER_RESPONSE, every time. WinHTTP
// itself cannot stream a body of unknown length either. https uploads,
// which need Windows' TLS, stay with WinHTTP.
#pragma once

#include <winsock2.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "HttpClient.h"
#include "HttpOutcome.h"
#include "transport.h"

namespace vrhadoop {

class SocketUpload {
public:
    SocketUpload() noexcept = default;
    ~SocketUpload();
    SocketUpload(const SocketUpload&) = delete;
    SocketUpload& operator=(const SocketUpload&) = delete;

    // As HttpUpload's; contentLength may be HttpUpload::kUnknownLength.
    bool start(HttpMethod method, const std::string& url, const TransportSettings& transport,
               std::int64_t contentLength, HttpOutcome* outcome);
    bool send(const char* data, std::size_t length, HttpOutcome* outcome);
    bool finish(HttpOutcome* outcome);
    bool bodySent() const noexcept { return bodySent_; }

private:
    bool connectTo(const std::string& host, unsigned short port);
    // Sends every byte, waiting up to the stall timeout while the connection
    // takes none, and reading what the server says meanwhile; false when the
    // transfer failed or the server answered (outcome_ says which).
    bool sendAll(const char* data, std::size_t length);
    // Reads what has arrived (waiting up to `waitMs` for the first byte when
    // nothing has) into inbox_, and takes interim answers out of it; false
    // when the connection failed or ended (closed_). received_ tells whether
    // anything came.
    bool receive(long waitMs);
    // Whether inbox_ holds the whole head of a final answer; takes it into
    // outcome_ when it does.
    bool takeFinalHead();
    // Reads the final answer's body (bodies of failures are kept up to
    // HttpClient::kMaxErrorBodyBytes); false with outcome_.transportError.
    bool readAnswerBody(long waitMs);
    void fail(const std::string& what, int code);

    SOCKET socket_ = INVALID_SOCKET;
    std::string server_;              // "http://HOST:PORT", for messages
    std::int64_t contentLength_ = 0;  // or HttpUpload::kUnknownLength: chunked
    std::uint64_t sent_ = 0;          // body bytes sent
    bool bodySent_ = false;           // the whole body and its end went out
    // What the server sent and this side has not taken yet; interim answers
    // are dropped from it as they complete.
    std::string inbox_;
    std::uint64_t received_ = 0;      // bytes ever received: progress, though interim answers leave inbox_
    bool closed_ = false;             // the server closed its side
    bool answered_ = false;           // a final answer's head is in outcome_
    std::int64_t answerLength_ = -1;  // its Content-Length, or -1
    bool answerChunked_ = false;
    bool over_ = false;               // failed or finished: nothing more goes out
    TransferLimits limits_;
    HttpOutcome outcome_;
};

}  // namespace vrhadoop
