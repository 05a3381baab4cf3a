#include "HttpUpload.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "transfer_limits.h"

namespace vrhadoop {

HttpUpload::~HttpUpload() {
    if (easy_) {
        if (multi_) curl_multi_remove_handle(multi_, easy_);
        curl_easy_cleanup(easy_);
    }
    if (multi_) curl_multi_cleanup(multi_);
    curl_slist_free_all(headers_);
}

bool HttpUpload::start(HttpMethod method, const std::string& url, const TransportSettings& transport,
                       HttpOutcome* outcome) {
    outcome_ = HttpOutcome();
    outcome_.server = serverOf(url);
    queue_.reserve(kQueueBytes);
    if (curlLibraryReady()) {
        multi_ = curl_multi_init();
        easy_ = curl_easy_init();
    }
    for (const char* header : {"Content-Type: application/octet-stream", "Transfer-Encoding: chunked", "Expect:"}) {
        curl_slist* longer = curl_slist_append(headers_, header);
        if (!longer) break;
        headers_ = longer;
    }
    if (!multi_ || !easy_ || !headers_) {
        outcome_.transportError = "the HTTP library could not be set up";
        return report(outcome, false);
    }
    applyCommonOptions(easy_, errorBuffer_, transport);
    curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, methodName(method));
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);
    curl_easy_setopt(easy_, CURLOPT_READFUNCTION, &HttpUpload::supplyBody);
    curl_easy_setopt(easy_, CURLOPT_READDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &HttpUpload::receive);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    if (curl_multi_add_handle(multi_, easy_) != CURLM_OK) {
        outcome_.transportError = "the HTTP library could not start the upload";
        return report(outcome, false);
    }
    return report(outcome, drive(Wait::Started));
}

bool HttpUpload::send(const char* data, std::size_t length, HttpOutcome* outcome) {
    while (length > 0 && !finished_) {
        std::size_t room = kQueueBytes - queue_.size();
        if (room == 0) {
            resume();
            if (!drive(Wait::QueueEmpty)) return report(outcome, false);
            continue;
        }
        std::size_t take = std::min(room, length);
        queue_.insert(queue_.end(), data, data + take);
        data += take;
        length -= take;
    }
    if (!finished_) {
        resume();
        // Let the connection take what it can now, without waiting for it.
        int running = 0;
        curl_multi_perform(multi_, &running);
        collectCompletion();
    }
    return report(outcome, true);
}

bool HttpUpload::finish(HttpOutcome* outcome) {
    if (!easy_) return report(outcome, false);
    ending_ = true;
    bool ok = true;
    if (!finished_) {
        resume();
        ok = drive(Wait::Finished);
    }
    *outcome = outcome_;
    return ok && outcome_.answered();
}

std::size_t HttpUpload::supplyBody(char* buffer, std::size_t size, std::size_t count, void* self) noexcept {
    auto* upload = static_cast<HttpUpload*>(self);
    upload->bodyStarted_ = true;
    std::size_t available = upload->queue_.size() - upload->queueSent_;
    if (available == 0) {
        if (upload->ending_) {
            upload->bodySent_ = true;
            return 0;
        }
        upload->paused_ = true;
        return CURL_READFUNC_PAUSE;
    }
    std::size_t take = std::min(size * count, available);
    std::memcpy(buffer, upload->queue_.data() + upload->queueSent_, take);
    upload->queueSent_ += take;
    upload->progress_ += take;
    if (upload->queueSent_ == upload->queue_.size()) {
        upload->queue_.clear();
        upload->queueSent_ = 0;
    }
    return take;
}

std::size_t HttpUpload::receive(char* data, std::size_t size, std::size_t count, void* self) noexcept {
    auto* upload = static_cast<HttpUpload*>(self);
    std::size_t length = size * count;
    upload->progress_ += length;
    std::string& body = upload->outcome_.body;
    try {
        body.append(data, std::min(length, HttpClient::kMaxErrorBodyBytes - std::min(body.size(),
                                                                                   HttpClient::kMaxErrorBodyBytes)));
    } catch (...) {
        // The answer's words are lost; its status still tells.
    }
    return length;
}

void HttpUpload::resume() {
    if (paused_ && !finished_) {
        paused_ = false;
        curl_easy_pause(easy_, CURLPAUSE_CONT);
    }
}

bool HttpUpload::reached(Wait until) const {
    switch (until) {
        case Wait::Started: return bodyStarted_;
        case Wait::QueueEmpty: return queue_.size() == queueSent_;
        case Wait::Finished: return finished_;
    }
    return true;
}

bool HttpUpload::drive(Wait until) {
    const auto stallLimit = std::chrono::milliseconds(transferLimits().stallTimeoutMs);
    const auto answerLimit = std::chrono::milliseconds(transferLimits().finalAnswerTimeoutMs);
    std::string failure = driveTransfers(
        multi_, progress_,
        [&] {
            collectCompletion();
            return finished_ || reached(until);
        },
        [&](std::chrono::steady_clock::duration idle) {
            if (bodySent_ && idle >= answerLimit) {
                return outcome_.server + " did not answer within " +
                       secondsText(transferLimits().finalAnswerTimeoutMs) + " after the last byte";
            }
            if (!bodySent_ && idle >= stallLimit) {
                return outcome_.server + " moved no data for " + secondsText(transferLimits().stallTimeoutMs) +
                       "; the upload is given up";
            }
            return std::string();
        });
    if (failure.empty()) return true;
    outcome_.transportError = failure;
    finished_ = true;
    return false;
}

void HttpUpload::collectCompletion() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        finished_ = true;
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &outcome_.status);
        // A server that refuses an upload may stop reading and close; its
        // answer, when one arrived, says more than the broken send.
        bool refusedWithWords = outcome_.status >= 300 && !outcome_.body.empty();
        if (message->data.result != CURLE_OK && !refusedWithWords) {
            outcome_.transportError = describeTransportError(message->data.result, errorBuffer_, outcome_.server);
        } else if (!ending_ && outcome_.succeeded()) {
            outcome_.transportError = outcome_.server + " answered before all data was sent";
        }
    }
}

bool HttpUpload::report(HttpOutcome* outcome, bool ok) const {
    *outcome = outcome_;
    if (!ok) {
        if (outcome->transportError.empty() && outcome->succeeded()) outcome->transportError = "the upload failed";
        return false;
    }
    // Before the body was ended, any completion is a failure.
    return !finished_ || ending_;
}

}  // namespace vrhadoop
