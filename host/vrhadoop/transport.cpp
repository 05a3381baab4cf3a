#include "transport.h"

namespace vrhadoop {

bool isHttpsUrl(const std::string& url) noexcept {
    static constexpr char kHttps[] = "https:";
    if (url.size() < sizeof kHttps - 1) return false;
    for (std::size_t i = 0; i + 1 < sizeof kHttps; ++i) {
        char c = url[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kHttps[i]) return false;
    }
    return true;
}

std::string unusableProxyMessage(const std::string& proxy) {
    return "the proxy " + serverOf(proxy) + " cannot be used: an http proxy is named http://HOST:PORT";
}

}  // namespace vrhadoop

#ifdef _WIN32
#include "Windows/transport.inc"
#else
#include "Unix/transport.inc"
#endif
