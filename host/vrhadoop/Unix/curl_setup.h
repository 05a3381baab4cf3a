// What every libcurl transfer shares: the library's global set-up, the
// common options and the wording of transport failures.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "transport.h"

namespace vrhadoop {

// Initialises the curl library on first use, once per process, whichever
// thread comes first; false when that failed. It is never cleaned up: its
// clean-up is not thread-safe, and other code of the process may use curl.
bool curlLibraryReady() noexcept;

// Options every request gets: http and https only, no signals, the connect
// timeout, keep-alive probes, curl's message buffer, the proxy (the one
// given, or none), and certificate verification against the CAs given (or
// the system's). The environment (http_proxy, no_proxy, ...) is never
// consulted: the library takes no settings from it, and a proxy nobody chose
// would see every request and its token. Verification is always on: a
// server that cannot prove who it is would receive the user's credentials.
void applyCommonOptions(CURL* curl, char* errorBuffer, const TransportSettings& transport) noexcept;

// A transport failure in words: what went wrong with which server.
std::string describeTransportError(CURLcode code, const char* errorBuffer, const std::string& server);

// Runs the transfers of `multi` until `settled()` holds. `progress` counts the
// bytes moved either way; `overdue(idle)` gets the time since it last changed
// and gives the failure once the wait is over, or "" to go on. Returns "" when
// settled, else the failure.
template <typename Settled, typename Overdue>
std::string driveTransfers(CURLM* multi, const std::uint64_t& progress, Settled settled, Overdue overdue) {
    using Clock = std::chrono::steady_clock;
    auto lastMove = Clock::now();
    std::uint64_t seen = progress;
    for (;;) {
        int running = 0;
        CURLMcode code = curl_multi_perform(multi, &running);
        if (code != CURLM_OK) return std::string("the HTTP library failed: ") + curl_multi_strerror(code);
        if (settled()) return {};
        auto now = Clock::now();
        if (progress != seen) {
            seen = progress;
            lastMove = now;
        } else if (std::string failure = overdue(now - lastMove); !failure.empty()) {
            return failure;
        }
        curl_multi_poll(multi, nullptr, 0, 100, nullptr);
    }
}

}  // namespace vrhadoop
