// One HTTP connection holder: requests without a body, one after another,
// over kept-alive connections.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "HttpOutcome.h"
#include "transport.h"

namespace vrhadoop {

enum class HttpMethod { Get, Put, Post, Delete };

const char* methodName(HttpMethod method) noexcept;

class HttpClient {
public:
    // Requests travel as `transport` says. With `negotiate` they authenticate
    // with Kerberos (SPNEGO) from the user's own credentials when the server
    // asks; only NameNode requests may: a DataNode's URL carries a
    // delegation token of its own.
    HttpClient(TransportSettings transport, bool negotiate) noexcept;
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // False when the HTTP stack could not be set up.
    bool ready() const noexcept;

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
    // The HTTP stack's handles and the request under way: Unix/HttpClient.inc
    // (libcurl), Windows/HttpClient.inc (WinHTTP). Null when it could not be
    // had.
    struct Transfer;
    std::unique_ptr<Transfer> transfer_;
};

}  // namespace vrhadoop
