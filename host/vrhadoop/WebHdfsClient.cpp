#include "WebHdfsClient.h"

#include <utility>

#include <nlohmann/json.hpp>

#include "webhdfs_path.h"

namespace vrhadoop {
namespace {

bool startsWithHttps(const std::string& url) {
    static constexpr char kHttps[] = "https:";
    if (url.size() < sizeof kHttps - 1) return false;
    for (std::size_t i = 0; i + 1 < sizeof kHttps; ++i) {
        char c = url[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kHttps[i]) return false;
    }
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A query value with its %XX escapes decoded ("+" stays: the NameNode does
// not use it for spaces); a malformed escape stays as written.
std::string percentDecoded(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        int high = (text[i] == '%' && i + 2 < text.size()) ? hexValue(text[i + 1]) : -1;
        int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        if (low >= 0) {
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// The value of the "delegation" parameter of a URL, decoded as the server
// reads it (and may quote it); empty without one.
std::string delegationTokenOf(const std::string& url) {
    static constexpr std::string_view kName = "delegation=";
    std::size_t query = url.find('?');
    for (std::size_t at = query; at != std::string::npos && at + 1 < url.size(); at = url.find('&', at + 1)) {
        if (std::string_view(url).substr(at + 1, kName.size()) != kName) continue;
        std::size_t start = at + 1 + kName.size();
        std::size_t end = url.find_first_of("&#", start);
        return percentDecoded(std::string_view(url).substr(start, end == std::string::npos ? url.npos : end - start));
    }
    return {};
}

Failure malformedAnswer(const HttpOutcome& outcome, const char* what) {
    return Failure{FailureKind::Other, outcome.server + " sent an answer that is not " + what, {}};
}

}  // namespace

WebHdfsClient::WebHdfsClient(WebHdfsEndpoint endpoint)
    : endpoint_(std::move(endpoint)), http_(endpoint_.transport(), endpoint_.kerberos) {}

std::string WebHdfsClient::url(std::string_view op, const std::string& path, const std::string& extraQuery) const {
    std::string url = endpoint_.nameNode + "/webhdfs/v1" + percentEncode(normalizePath(path), true) + "?op=";
    url += op;
    if (!endpoint_.delegationToken.empty()) {
        url += "&delegation=" + percentEncode(endpoint_.delegationToken, false);
    } else if (!endpoint_.user.empty()) {
        url += "&user.name=" + percentEncode(endpoint_.user, false);
    }
    return url + extraQuery;
}

std::string WebHdfsClient::scrubbed(std::string text) const {
    for (const std::string* token : {&endpoint_.delegationToken, &issuedToken_}) {
        if (token->empty()) continue;
        for (const std::string& form : {*token, percentEncode(*token, false)}) {
            for (std::size_t at; (at = text.find(form)) != std::string::npos;) text.replace(at, form.size(), "***");
        }
    }
    return text;
}

Failure WebHdfsClient::failureOf(const HttpOutcome& outcome) const {
    // Scrubbed before and after: the words keep only an excerpt of a body,
    // whose cut may split a token, and JSON escapes may spell one out.
    HttpOutcome clean = outcome;
    clean.body = scrubbed(std::move(clean.body));
    clean.authenticate = scrubbed(std::move(clean.authenticate));
    Failure failure = describeFailure(clean);
    failure.phrase = scrubbed(std::move(failure.phrase));
    failure.detail = scrubbed(std::move(failure.detail));
    return failure;
}

bool redirectKeepsSecurity(const std::string& from, const std::string& to, Failure* failure) {
    if (!startsWithHttps(from) || startsWithHttps(to)) return true;
    *failure = Failure{FailureKind::Other,
                       serverOf(from) + " redirected to " + serverOf(to) +
                           ", which is not https; refused, so that no credentials travel in clear",
                       {}};
    return false;
}

bool WebHdfsClient::call(HttpMethod method, std::string_view op, const std::string& path,
                         const std::string& extraQuery, Failure* failure) {
    HttpOutcome outcome;
    http_.perform(method, url(op, path, extraQuery), &outcome);
    if (outcome.succeeded()) return true;
    *failure = failureOf(outcome);
    return false;
}

bool WebHdfsClient::callJson(HttpMethod method, std::string_view op, const std::string& path,
                             const std::string& extraQuery, nlohmann::json* answer, Failure* failure) {
    HttpOutcome outcome;
    http_.perform(method, url(op, path, extraQuery), &outcome);
    if (!outcome.succeeded()) {
        *failure = failureOf(outcome);
        return false;
    }
    *answer = nlohmann::json::parse(outcome.body, nullptr, false);
    if (!answer->is_object()) {
        *failure = malformedAnswer(outcome, "a JSON object");
        return false;
    }
    return true;
}

bool WebHdfsClient::status(const std::string& path, WebHdfsEntry* entry, Failure* failure) {
    nlohmann::json answer;
    if (!callJson(HttpMethod::Get, "GETFILESTATUS", path, {}, &answer, failure)) return false;
    auto found = answer.find("FileStatus");
    if (found == answer.end() || !parseFileStatus(*found, entry)) {
        *failure = Failure{FailureKind::Other, "the server's answer holds no valid FileStatus", {}};
        return false;
    }
    return true;
}

bool WebHdfsClient::redirectTarget(HttpMethod method, std::string_view op, const std::string& path,
                                   const std::string& extraQuery, std::string* location, Failure* failure) {
    HttpOutcome outcome;
    std::string target = url(op, path, extraQuery);
    http_.perform(method, target, &outcome);
    if (outcome.redirected()) {
        *location = outcome.location;
        issuedToken_ = delegationTokenOf(*location);
        return redirectKeepsSecurity(target, *location, failure);
    }
    *failure = outcome.succeeded() ? Failure{FailureKind::Other,
                                           outcome.server + " did not redirect the " + std::string(op) + " request",
                                           {}}
                                   : failureOf(outcome);
    return false;
}

}  // namespace vrhadoop
