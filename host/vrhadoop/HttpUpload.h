// One streaming upload: a PUT or POST whose body is the bytes handed to
// send(), sent as one chunked request while the caller keeps writing. Data
// waits in a bounded queue; when nothing is queued the transfer pauses (the
// connection stays open) until the next send() or finish().
//
// Destroying an upload that was not finished abandons it: the connection is
// closed without ending the body, and the server keeps or drops what arrived.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "HttpClient.h"
#include "HttpOutcome.h"
#include "curl_setup.h"

namespace vrhadoop {

class HttpUpload {
public:
    static constexpr std::size_t kQueueBytes = 4u << 20;

    HttpUpload() noexcept = default;
    ~HttpUpload();
    HttpUpload(const HttpUpload&) = delete;
    HttpUpload& operator=(const HttpUpload&) = delete;

    // Sends the request line and headers to `url` (travelling as `transport`
    // says) and returns once the server takes the body. False when the
    // transfer failed or the server answered at once (*outcome says how).
    bool start(HttpMethod method, const std::string& url, const TransportSettings& transport, HttpOutcome* outcome);
    // Queues the bytes, waiting for the connection while the queue is full.
    // False when the transfer failed or ended early (*outcome says how).
    bool send(const char* data, std::size_t length, HttpOutcome* outcome);
    // Ends the body and waits for the answer, which *outcome receives.
    // False only when no answer could be had (outcome->transportError).
    bool finish(HttpOutcome* outcome);
    // Whether every byte and the end of the body went out: after a failed
    // finish(), the server may still have the whole upload.
    bool bodySent() const { return bodySent_; }

private:
    enum class Wait { Started, QueueEmpty, Finished };

    static std::size_t supplyBody(char* buffer, std::size_t size, std::size_t count, void* self) noexcept;
    static std::size_t receive(char* data, std::size_t size, std::size_t count, void* self) noexcept;

    // Runs the transfer until `until` holds or it finished; false (with
    // outcome_.transportError set) on a failure of curl or a stall.
    bool drive(Wait until);
    bool reached(Wait until) const;
    void collectCompletion();
    void resume();
    // Copies the state into *outcome; the failure when the transfer ended.
    bool report(HttpOutcome* outcome, bool ok) const;

    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    curl_slist* headers_ = nullptr;
    char errorBuffer_[CURL_ERROR_SIZE] = {};

    std::vector<char> queue_;
    std::size_t queueSent_ = 0;
    bool paused_ = false;
    bool ending_ = false;
    bool bodyStarted_ = false;
    bool bodySent_ = false;
    bool finished_ = false;
    std::uint64_t progress_ = 0;   // bytes moved either way; the stall check watches it
    HttpOutcome outcome_;
};

}  // namespace vrhadoop
