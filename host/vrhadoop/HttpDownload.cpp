#include "HttpDownload.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

#include "HttpClient.h"
#include "curl_setup.h"
#include "transfer_limits.h"

namespace vrhadoop {

HttpDownload::~HttpDownload() {
    if (easy_) {
        if (multi_) curl_multi_remove_handle(multi_, easy_);
        curl_easy_cleanup(easy_);
    }
    if (multi_) curl_multi_cleanup(multi_);
}

bool HttpDownload::start(const std::string& url, const TransportSettings& transport, std::uint64_t expectedBytes,
                         HttpOutcome* outcome) {
    outcome_ = HttpOutcome();
    outcome_.server = serverOf(url);
    expected_ = expectedBytes;
    buffer_.reset(new (std::nothrow) char[kBufferBytes + kPadding]);
    if (curlLibraryReady()) {
        multi_ = curl_multi_init();
        easy_ = curl_easy_init();
    }
    if (!buffer_) {
        outcome_.transportError = "out of memory for a buffer of " + std::to_string(kBufferBytes) + " bytes";
    } else if (!multi_ || !easy_) {
        outcome_.transportError = "the HTTP library could not be set up";
    } else {
        applyCommonOptions(easy_, errorBuffer_, transport);
        curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &HttpDownload::receive);
        curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
        if (curl_multi_add_handle(multi_, easy_) == CURLM_OK) return true;
        outcome_.transportError = "the HTTP library could not start the download";
    }
    *outcome = outcome_;
    return false;
}

std::size_t HttpDownload::receive(char* data, std::size_t size, std::size_t count, void* self) noexcept {
    auto* download = static_cast<HttpDownload*>(self);
    std::size_t length = size * count;
    long status = 0;
    curl_easy_getinfo(download->easy_, CURLINFO_RESPONSE_CODE, &status);
    try {
        if (status < 200 || status >= 300) {
            std::string& body = download->outcome_.body;
            std::size_t room = HttpClient::kMaxErrorBodyBytes - std::min(body.size(), HttpClient::kMaxErrorBodyBytes);
            body.append(data, std::min(length, room));
            download->progress_ += length;
            return length;
        }
        if (length > download->expected_ - download->received_) {
            download->refusal_ = "the server sent more than the " + std::to_string(download->expected_) +
                                 " bytes asked for";
            return 0;
        }
    } catch (...) {
        // Ending the transfer reports it as failed; an exception must not
        // unwind through curl.
        return 0;
    }
    std::size_t& head = download->head_;
    std::size_t& tail = download->tail_;
    char* buffer = download->buffer_.get();
    if (kBufferBytes - tail < length) {
        // Reclaim what was handed out, when that is all or at least half the
        // buffer, so that no byte is moved more than once on average.
        if (head == tail) {
            head = tail = 0;
        } else if (head >= kBufferBytes / 2) {
            std::memmove(buffer, buffer + head, tail - head);
            tail -= head;
            head = 0;
        }
    }
    if (kBufferBytes - tail < length) {
        download->paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    std::memcpy(buffer + tail, data, length);
    tail += length;
    download->received_ += length;
    download->progress_ += length;
    return length;
}

void HttpDownload::collectCompletion() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        finished_ = true;
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &outcome_.status);
        if (message->data.result == CURLE_WRITE_ERROR && !refusal_.empty()) {
            outcome_.transportError = refusal_;
        } else if (message->data.result != CURLE_OK) {
            outcome_.transportError = describeTransportError(message->data.result, errorBuffer_, outcome_.server);
        }
    }
}

bool HttpDownload::drive() {
    const auto stallLimit = std::chrono::milliseconds(transferLimits().stallTimeoutMs);
    std::string failure = driveTransfers(
        multi_, progress_,
        [this] {
            collectCompletion();
            return finished_ || head_ != tail_;
        },
        [&](std::chrono::steady_clock::duration idle) {
            return idle < stallLimit ? std::string()
                                     : outcome_.server + " did not answer in time (no data for " +
                                           secondsText(transferLimits().stallTimeoutMs) + ")";
        });
    if (failure.empty()) return true;
    outcome_.transportError = failure;
    finished_ = true;
    return false;
}

void HttpDownload::restorePadding() {
    if (savedCount_ == 0) return;
    std::memcpy(buffer_.get() + savedAt_, savedBytes_, savedCount_);
    savedCount_ = 0;
}

long HttpDownload::take(std::size_t maxBytes, char** data, HttpOutcome* outcome) {
    restorePadding();
    if (head_ == tail_ && !finished_) {
        if (paused_) {
            head_ = tail_ = 0;
            paused_ = false;
            curl_easy_pause(easy_, CURLPAUSE_CONT);
        }
        drive();
    }
    if (head_ != tail_) {
        std::size_t slice = std::min(maxBytes, tail_ - head_);
        *data = buffer_.get() + head_;
        head_ += slice;
        // Only the bytes up to tail_ mean anything; beyond it the buffer may
        // hold stale bytes, which the zeroing covers as well.
        savedAt_ = head_;
        savedCount_ = std::min(kPadding, tail_ - head_);
        std::memcpy(savedBytes_, buffer_.get() + head_, savedCount_);
        std::memset(buffer_.get() + head_, 0, kPadding);
        return static_cast<long>(slice);
    }
    *outcome = outcome_;
    return outcome_.succeeded() ? 0 : -1;
}

}  // namespace vrhadoop
