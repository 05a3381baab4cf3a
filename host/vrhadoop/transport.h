// How requests travel, whichever HTTP stack carries them: libcurl on POSIX
// systems (Unix/*.inc), WinHTTP on Windows (Windows/*.inc). HttpClient,
// HttpDownload and HttpUpload are the only users of the stack.
#pragma once

#include <string>

#include "transfer_limits.h"

namespace vrhadoop {

// How every request of a connection travels, NameNode and DataNode alike.
struct TransportSettings {
    std::string proxy;    // URL of the proxy; empty: none
    std::string caFile;   // PEM file of the CAs that verify https servers; empty: the system's
    std::string caPath;   // directory of hashed CA certificates; empty: the system's
    TransferLimits limits;
    std::string keytab{};      // Kerberos logins take their tickets from this keytab; empty: the default cache
    std::string principal{};   // whom the keytab logs in
};

// Whether a URL's scheme is https, in any case.
bool isHttpsUrl(const std::string& url) noexcept;

// "http://HOST:PORT" of a URL, for messages (URLs themselves may carry a
// delegation token and are never shown).
std::string serverOf(const std::string& url);

// Why an upload over a connection of its own cannot go through `proxy`
// (one that is no http proxy): names the proxy by scheme, host and port
// only, never with the user information its URL may carry.
std::string unusableProxyMessage(const std::string& proxy);

}  // namespace vrhadoop
