#include "curl_setup.h"

#include "transfer_limits.h"

namespace vrhadoop {

bool curlLibraryReady() noexcept {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

void applyCommonOptions(CURL* curl, char* errorBuffer, const TransportSettings& transport) noexcept {
    errorBuffer[0] = '\0';
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
#if LIBCURL_VERSION_NUM >= 0x075500
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
#else
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, transferLimits().connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "vrhadoop/1.0");
    // An empty proxy means none, and an empty exception list means no host
    // is exempt; both keep curl from reading the environment.
    curl_easy_setopt(curl, CURLOPT_PROXY, transport.proxy.c_str());
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!transport.caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, transport.caFile.c_str());
    if (!transport.caPath.empty()) curl_easy_setopt(curl, CURLOPT_CAPATH, transport.caPath.c_str());
}

std::string serverOf(const std::string& url) {
    std::string server = "the server";
    CURLU* parsed = curl_url();
    if (!parsed) return server;
    char* scheme = nullptr;
    char* host = nullptr;
    char* port = nullptr;
    if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) {
        server = std::string(scheme) + "://" + host + ":" + port;
    }
    curl_free(scheme);
    curl_free(host);
    curl_free(port);
    curl_url_cleanup(parsed);
    return server;
}

std::string describeTransportError(CURLcode code, const char* errorBuffer, const std::string& server) {
    std::string detail = (errorBuffer && errorBuffer[0]) ? errorBuffer : curl_easy_strerror(code);
    switch (code) {
        case CURLE_COULDNT_CONNECT:
            return "cannot connect to " + server + " (" + detail + ")";
        case CURLE_COULDNT_RESOLVE_HOST:
            return "cannot find the host of " + server + " (" + detail + ")";
        case CURLE_OPERATION_TIMEDOUT:
            return server + " did not answer in time (" + detail + ")";
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_SEND_ERROR:
            return "the connection to " + server + " broke off in the middle of the exchange (" + detail + ")";
        case CURLE_PEER_FAILED_VERIFICATION:
            return "the certificate of " + server + " could not be verified (" + detail +
                   "); name the CA that signed it with cafile= or capath=";
        case CURLE_SSL_CACERT_BADFILE:
            return "the CA certificates for " + server + " cannot be used (" + detail +
                   "); check the cafile= or capath= of the URI";
        case CURLE_SSL_CONNECT_ERROR:
            return "no secure connection to " + server + " (" + detail + ")";
        default:
            return "the request to " + server + " failed (" + detail + ")";
    }
}

}  // namespace vrhadoop
