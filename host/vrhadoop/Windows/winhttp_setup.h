// What every WinHTTP transfer shares: sessions that travel as the transport
// settings say, requests that never follow redirects, the wording of
// transport failures and the reading of answers.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "HttpClient.h"
#include "HttpOutcome.h"
#include "transport.h"
#include "windows_text.h"

namespace vrhadoop {

using wintext::narrowed;
using wintext::widened;
// Windows' words for a WinHTTP, Winsock or system error, with its number.
std::string windowsErrorText(DWORD code);

// Closes a WinHTTP handle when it goes.
class WinHttpHandle {
public:
    WinHttpHandle() noexcept = default;
    explicit WinHttpHandle(HINTERNET handle) noexcept : handle_(handle) {}
    ~WinHttpHandle() { reset(); }
    WinHttpHandle(const WinHttpHandle&) = delete;
    WinHttpHandle& operator=(const WinHttpHandle&) = delete;

    void reset(HINTERNET handle = nullptr) noexcept {
        if (handle_) WinHttpCloseHandle(handle_);
        handle_ = handle;
    }
    HINTERNET get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

private:
    HINTERNET handle_ = nullptr;
};

// A session (WinHTTP keeps connections alive per session) with the proxy
// given or none (the system's proxy settings are never consulted: a proxy
// nobody chose would see every request and its token), and the connect
// and stall timeouts. False with *failure when it cannot be had, or when
// the settings ask for what WinHTTP cannot do.
bool openSession(const TransportSettings& transport, WinHttpHandle* session, std::string* failure);

// One request to `url` within `session`: redirects are never followed,
// cookies never kept, https verified against the system's certificate
// store; the wait for the answer's head is `limits`' stall timeout. False
// with outcome->transportError when it cannot be had.
bool openRequest(HINTERNET session, const TransferLimits& limits, HttpMethod method, const std::string& url,
                 WinHttpHandle* connection, WinHttpHandle* request, HttpOutcome* outcome);

// A failure of WinHTTP in words, for the exchange in *outcome, whose flags
// it sets too: `sending` is true while the request was being sent (before
// that, no connection had been made when the call fails to connect).
void describeWinHttpError(DWORD code, bool sending, HttpOutcome* outcome);

// After WinHttpReceiveResponse: the status, the Location of a redirect and
// the challenge of a 401 into *outcome; the announced Content-Length, or -1.
std::int64_t takeAnswerHeaders(HINTERNET request, HttpOutcome* outcome);

// Reads the rest of the body: up to `limit` bytes are kept in
// outcome->body; beyond it the body is `refusal` (when not empty, the
// transfer fails) or cut short (when empty). False with
// outcome->transportError when the transfer failed; a body shorter than
// `announced` (when not -1) fails as a broken connection, and one that
// trickles in at less than a byte a second over `limits.stallTimeoutMs`
// fails as too slow (the receive timeout alone would wait for it forever).
bool readBody(HINTERNET request, const TransferLimits& limits, std::size_t limit, const std::string& refusal,
              std::int64_t announced, HttpOutcome* outcome);

// Waits for bytes of the body (up to the receive timeout) and reads at
// most `room` of those that have arrived, so that no call waits for more:
// the bytes read, 0 at the body's end, -1 when WinHTTP failed (GetLastError
// says why).
long readArrived(HINTERNET request, char* into, DWORD room);

}  // namespace vrhadoop
