#include "WebHdfsClient.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include <nlohmann/json.hpp>

#include "transfer_limits.h"
#include "webhdfs_path.h"

namespace vrhadoop {
namespace {

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
    : endpoint_(std::move(endpoint)), http_(endpoint_.transport(), endpoint_.kerberos) {
    nameNodes_.push_back(endpoint_.nameNode);
    nameNodes_.insert(nameNodes_.end(), endpoint_.otherNameNodes.begin(), endpoint_.otherNameNodes.end());
}

WebHdfsEndpoint WebHdfsClient::endpointForNewObjects() const {
    WebHdfsEndpoint next = endpoint_;
    next.nameNode = nameNodes_[current_];
    next.otherNameNodes.clear();
    for (std::size_t i = 1; i < nameNodes_.size(); ++i) {
        next.otherNameNodes.push_back(nameNodes_[(current_ + i) % nameNodes_.size()]);
    }
    return next;
}

std::string WebHdfsClient::urlAt(std::size_t nameNode, std::string_view op, const std::string& path,
                                 const std::string& extraQuery) const {
    std::string url = nameNodes_[nameNode] + "/webhdfs/v1" + percentEncode(normalizePath(path), true) + "?op=";
    url += op;
    if (!endpoint_.delegationToken.empty()) {
        url += "&delegation=" + percentEncode(endpoint_.delegationToken, false);
    } else if (!endpoint_.user.empty()) {
        url += "&user.name=" + percentEncode(endpoint_.user, false);
    }
    if (!endpoint_.doAs.empty()) url += "&doas=" + percentEncode(endpoint_.doAs, false);
    return url + extraQuery;
}

std::string WebHdfsClient::url(std::string_view op, const std::string& path, const std::string& extraQuery) const {
    return urlAt(current_, op, path, extraQuery);
}

static long failoverPauseMs(const TransferLimits& limits, int failovers) {
    if (failovers == 0) return 0;
    long pause = limits.failoverDelayMs;
    for (int i = 0; i < failovers && pause < limits.failoverMaxDelayMs; ++i) pause *= 2;
    return std::min(pause, limits.failoverMaxDelayMs);
}

bool WebHdfsClient::exchange(HttpMethod method, std::string_view op, const std::string& path,
                             const std::string& extraQuery, HttpOutcome* outcome, Failure* failure) {
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    const std::size_t count = nameNodes_.size();
    auto secondsSoFar = [&] {
        return secondsText(
            static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count()));
    };
    long delayMs = endpoint_.limits.retryDelayMs;
    int failovers = 0;
    for (int tries = 1;; ++tries) {
        // One try: the NameNodes in turn, from the one asked first, while
        // they are not the active one, out of reach or hung, on the
        // failover schedule.
        for (;;) {
            http_.perform(method, urlAt(current_, op, path, extraQuery), outcome);
            if (outcome->succeeded() || outcome->redirected()) return true;
            *failure = failureOf(*outcome);
            if (count == 1) break;
            // A NameNode that took the request and then said nothing (a
            // long pause of its process) is the usual reason to fail over.
            if (outcome->timedOut) failure->remedy = Remedy::OtherNameNode;
            if (failure->remedy != Remedy::OtherNameNode) break;
            if (failovers >= endpoint_.limits.failoverAttempts) {
                failure->phrase = "no NameNode of the " + std::to_string(count) +
                                  " named answered as the active one; the last said: " + failure->phrase;
                failure->note = std::to_string(failovers) + " failovers in " + secondsSoFar();
                failure->remedy = Remedy::None;   // the schedule is spent
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(failoverPauseMs(endpoint_.limits, failovers)));
            ++failovers;
            current_ = (current_ + 1) % count;
        }
        bool mayPass = failure->remedy == Remedy::OtherNameNode || failure->remedy == Remedy::Retry;
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
        if (!mayPass || tries >= kMaxTries || elapsed + delayMs > endpoint_.limits.retryBudgetMs) {
            if (tries > 1) failure->note = std::to_string(tries) + " tries in " + secondsSoFar();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        delayMs *= 2;
    }
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
    std::string& phrase = failure.phrase;
    if (nameNodes_.size() > 1 && phrase.size() >= kNameTheActiveHint.size() &&
        phrase.compare(phrase.size() - kNameTheActiveHint.size(), std::string::npos, kNameTheActiveHint) == 0) {
        phrase.resize(phrase.size() - kNameTheActiveHint.size());
    }
    failure.phrase = scrubbed(std::move(failure.phrase));
    failure.detail = scrubbed(std::move(failure.detail));
    return failure;
}

bool WebHdfsClient::failOver(Failure* failure) {
    if (failure->remedy != Remedy::OtherNameNode || nameNodes_.size() == 1) return false;
    if (stepFailovers_ >= endpoint_.limits.failoverAttempts) {
        failure->note = std::to_string(stepFailovers_) + " failovers";
        return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(failoverPauseMs(endpoint_.limits, stepFailovers_)));
    ++stepFailovers_;
    current_ = (current_ + 1) % nameNodes_.size();
    return true;
}

bool redirectKeepsSecurity(const std::string& from, const std::string& to, Failure* failure) {
    if (!isHttpsUrl(from) || isHttpsUrl(to)) return true;
    *failure = Failure{FailureKind::Other,
                       serverOf(from) + " redirected to " + serverOf(to) +
                           ", which is not https; refused, so that no credentials travel in clear",
                       {}};
    return false;
}

bool WebHdfsClient::call(HttpMethod method, std::string_view op, const std::string& path,
                         const std::string& extraQuery, Failure* failure) {
    HttpOutcome outcome;
    if (!exchange(method, op, path, extraQuery, &outcome, failure)) return false;
    if (outcome.succeeded()) return true;
    *failure = failureOf(outcome);
    return false;
}

bool WebHdfsClient::callJson(HttpMethod method, std::string_view op, const std::string& path,
                             const std::string& extraQuery, nlohmann::json* answer, Failure* failure) {
    HttpOutcome outcome;
    if (!exchange(method, op, path, extraQuery, &outcome, failure)) return false;
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

bool WebHdfsClient::preferActive() {
    if (nameNodes_.size() < 2) return false;
    for (std::size_t k = 0; k < nameNodes_.size(); ++k) {
        std::size_t at = (current_ + k) % nameNodes_.size();
        HttpOutcome outcome;
        http_.perform(HttpMethod::Get, nameNodes_[at] + "/isActive", &outcome);
        if (outcome.succeeded()) {
            current_ = at;
            return true;
        }
    }
    return false;
}

bool WebHdfsClient::redirectTarget(HttpMethod method, std::string_view op, const std::string& path,
                                   const std::string& extraQuery, std::string* location, Failure* failure) {
    HttpOutcome outcome;
    if (!exchange(method, op, path, extraQuery, &outcome, failure)) return false;
    if (outcome.redirected()) {
        *location = outcome.location;
        issuedToken_ = delegationTokenOf(*location);
        return redirectKeepsSecurity(url(op, path, extraQuery), *location, failure);
    }
    *failure = outcome.succeeded() ? Failure{FailureKind::Other,
                                           outcome.server + " did not redirect the " + std::string(op) + " request",
                                           {}}
                                   : failureOf(outcome);
    return false;
}

}  // namespace vrhadoop
