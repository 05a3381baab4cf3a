#include "HttpClient.h"

#include <utility>

#include "kerberos_credentials.h"
#include "transfer_limits.h"

namespace vrhadoop {

const char* methodName(HttpMethod method) noexcept {
    switch (method) {
        case HttpMethod::Get: return "GET";
        case HttpMethod::Put: return "PUT";
        case HttpMethod::Post: return "POST";
        case HttpMethod::Delete: return "DELETE";
    }
    return "GET";
}

HttpClient::HttpClient(TransportSettings transport, bool negotiate) noexcept
    : transport_(std::move(transport)), negotiate_(negotiate), curl_(curlLibraryReady() ? curl_easy_init() : nullptr) {
    errorBuffer_[0] = '\0';
}

HttpClient::~HttpClient() {
    if (curl_) curl_easy_cleanup(curl_);
}

std::size_t HttpClient::receive(char* data, std::size_t size, std::size_t count, void* self) noexcept {
    auto* client = static_cast<HttpClient*>(self);
    std::size_t length = size * count;
    long status = 0;
    curl_easy_getinfo(client->curl_, CURLINFO_RESPONSE_CODE, &status);
    bool success = status >= 200 && status < 300;
    try {
        std::string& body = client->outcome_->body;
        std::size_t limit = success ? kMaxBodyBytes : kMaxErrorBodyBytes;
        if (body.size() + length <= limit) {
            body.append(data, length);
        } else if (success) {
            client->refusal_ = "the answer of " + client->outcome_->server + " is larger than " +
                                   std::to_string(kMaxBodyBytes >> 20) + " MiB";
            return 0;
        } else {
            body.append(data, limit - body.size());
        }
        return length;
    } catch (...) {
        // Ending the transfer here reports it as failed; an exception must
        // not unwind through curl.
        return 0;
    }
}

void HttpClient::perform(HttpMethod method, const std::string& url, HttpOutcome* outcome) {
    *outcome = HttpOutcome();
    outcome->server = serverOf(url);
    if (!curl_) {
        outcome->transportError = "the HTTP library could not be set up";
        return;
    }
    curl_easy_reset(curl_);
    applyCommonOptions(curl_, errorBuffer_, transport_);
    if (negotiate_) {
        // The empty user name and password make curl take the identity
        // from the credential cache.
        curl_easy_setopt(curl_, CURLOPT_HTTPAUTH, CURLAUTH_NEGOTIATE);
        curl_easy_setopt(curl_, CURLOPT_USERPWD, ":");
    }
    // A blocking request: curl's own low-speed check is the stall timeout.
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, (transferLimits().stallTimeoutMs + 999) / 1000);
    curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
    if (method == HttpMethod::Get) {
        curl_easy_setopt(curl_, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, methodName(method));
    }
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &HttpClient::receive);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, this);
    outcome_ = outcome;
    refusal_.clear();
    CURLcode code = curl_easy_perform(curl_);
    outcome_ = nullptr;

    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &outcome->status);
    char* location = nullptr;
    if (curl_easy_getinfo(curl_, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location) {
        outcome->location = location;
    }
    curl_header* challenge = nullptr;
    if (outcome->status == 401 &&
        curl_easy_header(curl_, "WWW-Authenticate", 0, CURLH_HEADER, -1, &challenge) == CURLHE_OK && challenge) {
        outcome->authenticate = challenge->value;
    }
    outcome->offeredKerberos = negotiate_;
    // curl answers a challenge that it could not meet with the server's 401
    // and keeps its reason to itself.
    if (negotiate_ && outcome->status == 401 && code == CURLE_OK) {
        outcome->authenticationError = kerberosCredentialProblem();
    }
    if (code == CURLE_WRITE_ERROR && !refusal_.empty()) {
        outcome->transportError = refusal_;
    } else if (code != CURLE_OK) {
        outcome->transportError = describeTransportError(code, errorBuffer_, outcome->server);
        curl_off_t connectTime = 0;
        bool neverConnected = curl_easy_getinfo(curl_, CURLINFO_CONNECT_TIME_T, &connectTime) == CURLE_OK &&
                              connectTime == 0;
        outcome->unreachable = code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST ||
                               (code == CURLE_OPERATION_TIMEDOUT && neverConnected);
        outcome->broken = code == CURLE_PARTIAL_FILE || code == CURLE_RECV_ERROR || code == CURLE_GOT_NOTHING ||
                          code == CURLE_SEND_ERROR;
    }
}

}  // namespace vrhadoop
