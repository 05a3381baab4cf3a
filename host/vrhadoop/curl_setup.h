// What every transfer of the library shares: the curl library's global
// set-up, the common options and the wording of transport failures.
#pragma once

#include <curl/curl.h>

#include <string>

namespace vrhadoop {

// Holds the curl library initialised while an object that uses it lives.
class CurlGlobalUse {
public:
    CurlGlobalUse() noexcept;
    ~CurlGlobalUse();
    CurlGlobalUse(const CurlGlobalUse&) = delete;
    CurlGlobalUse& operator=(const CurlGlobalUse&) = delete;
    bool ready() const noexcept { return ready_; }

private:
    bool ready_;
};

// Options every request gets: http and https only, no signals, the connect
// timeout, keep-alive probes and curl's message buffer.
void applyCommonOptions(CURL* curl, char* errorBuffer) noexcept;

// "http://HOST:PORT" of a URL, for messages (URLs themselves may carry a
// delegation token and are never shown).
std::string serverOf(const std::string& url);

// A transport failure in words: what went wrong with which server.
std::string describeTransportError(CURLcode code, const char* errorBuffer, const std::string& server);

}  // namespace vrhadoop
