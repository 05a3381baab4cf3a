// One HTTP connection holder: requests without a body, one after another,
// over kept-alive connections (curl keeps them per handle).
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <string>

#include "HttpOutcome.h"
#include "curl_setup.h"

namespace vrhadoop {

enum class HttpMethod { Get, Put, Post, Delete };

const char* methodName(HttpMethod method) noexcept;

class HttpClient {
public:
    // Requests travel as `transport` says. With `negotiate` they authenticate
    // with Kerberos (SPNEGO) from the user's default credential cache when
    // the server asks; only NameNode requests may: a DataNode's URL carries
    // a delegation token of its own.
    HttpClient(TransportSettings transport, bool negotiate) noexcept;
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // False when curl could not be set up.
    bool ready() const noexcept { return curl_ != nullptr; }

    // One request without a body; redirects are not followed. The body of a
    // successful answer goes into outcome->body (up to kMaxBodyBytes: more
    // is a failure). Other answers' bodies are kept up to
    // kMaxErrorBodyBytes. A transfer that ends early (a broken connection, a
    // body shorter than announced, no progress for the stall timeout) sets
    // outcome->transportError.
    void perform(HttpMethod method, const std::string& url, HttpOutcome* outcome);

    static constexpr std::size_t kMaxBodyBytes = 64u << 20;
    static constexpr std::size_t kMaxErrorBodyBytes = 64u << 10;

private:
    static std::size_t receive(char* data, std::size_t size, std::size_t count, void* self) noexcept;

    TransportSettings transport_;
    bool negotiate_;
    CURL* curl_;
    char errorBuffer_[CURL_ERROR_SIZE];
    // State of the request under way, for the receive callback.
    HttpOutcome* outcome_ = nullptr;
    std::string refusal_;   // why receive() ended the transfer
};

}  // namespace vrhadoop
