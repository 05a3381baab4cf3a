#include "WebHdfsWriteFile.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <new>
#include <thread>

namespace vrhadoop {

WebHdfsWriteFile* WebHdfsWriteFile::open(const WebHdfsEndpoint& endpoint, const std::string& path, bool append,
                                         std::string* message) {
    std::string action = "Cannot open file " + path + (append ? " for appending: " : " for writing: ");
    std::unique_ptr<WebHdfsWriteFile> file(new (std::nothrow) WebHdfsWriteFile(endpoint, path));
    if (!file || !file->client_.ready()) {
        *message = action + (file ? "the HTTP library could not be set up" : "out of memory");
        return nullptr;
    }
    WebHdfsEntry entry;
    Failure failure;
    bool exists = file->client_.status(path, &entry, &failure);
    if (!exists && failure.kind != FailureKind::NotFound) {
        *message = action + failure.text();
        return nullptr;
    }
    if (exists && entry.isDirectory) {
        *message = action + "Path is a directory";
        return nullptr;
    }
    bool appending = append && exists;
    HttpMethod method = appending ? HttpMethod::Post : HttpMethod::Put;
    // Appending to a file that is not there creates it, but never replaces
    // one that another client made in the meantime.
    std::string query = appending ? "" : (append ? "&overwrite=false" : "&overwrite=true");
    file->method_ = method;
    file->op_ = appending ? "APPEND" : "CREATE";
    file->query_ = query;
    file->inPieces_ = endpoint.limits.uploadInPieces || !HttpUpload::streamsUnknownLength(endpoint.nameNode);
    if (file->inPieces_) {
        std::int64_t startLength = appending ? entry.length : 0;
        if (!file->uploadPiece(method, file->op_, query, nullptr, 0, startLength, &failure) ||
            (appending && file->leaseRefusals_ > 0 && !file->client_.status(path, &entry, &failure))) {
            *message = action + failure.text();
            return nullptr;
        }
        // While the file was another client's, it may have grown.
        file->startLength_ = file->length_ = appending ? entry.length : 0;
        file->replayable_ = false;
        return file.release();
    }
    while (!file->beginUpload(&failure)) {
        if (!file->awaitLease(&failure)) {
            *message = action + failure.text();
            return nullptr;
        }
    }
    file->startLength_ = file->length_ = appending ? entry.length : 0;
    // While the file was another client's, it may have grown.
    if (appending && file->leaseRefusals_ > 0 && !file->takeStartLength(0, &failure)) {
        *message = action + failure.text();
        return nullptr;
    }
    return file.release();
}

bool WebHdfsWriteFile::beginUpload(Failure* failure) {
    std::string location;
    if (!client_.redirectTarget(method_, op_, path_, query_, &location, failure)) return false;
    upload_ = std::make_unique<HttpUpload>();
    HttpOutcome outcome;
    if (upload_->start(method_, location, client_.endpoint().transport(), HttpUpload::kUnknownLength, &outcome)) {
        return true;
    }
    *failure = client_.failureOf(outcome);
    return false;
}

bool WebHdfsWriteFile::awaitLease(Failure* failure) {
    using Clock = std::chrono::steady_clock;
    if (failure->remedy != Remedy::AwaitLease) return false;
    if (leaseRefusals_++ == 0) {
        leaseWaitStarted_ = Clock::now();
        leasePauseMs_ = client_.endpoint().limits.retryDelayMs;
    }
    auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - leaseWaitStarted_).count();
    if (elapsed + leasePauseMs_ > client_.endpoint().limits.leaseWaitMs) {
        if (leaseRefusals_ > 1) {
            failure->note = std::to_string(leaseRefusals_) + " tries in " + secondsText(static_cast<long>(elapsed));
        }
        return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(leasePauseMs_));
    leasePauseMs_ = std::min(leasePauseMs_ * 2, kMaxLeasePauseMs);
    return true;
}

bool WebHdfsWriteFile::takeStartLength(std::size_t pending, Failure* failure) {
    WebHdfsEntry entry;
    if (!client_.status(path_, &entry, failure)) return false;
    startLength_ = entry.length;
    length_ = startLength_ + static_cast<std::int64_t>(replay_.size() - pending);
    return true;
}

bool WebHdfsWriteFile::resendAfterLease(std::size_t pending, Failure* failure) {
    while (replayable_ && awaitLease(failure)) {
        if (!beginUpload(failure)) continue;
        // An append goes after whatever the other client left; nothing of
        // this upload is written before its bytes are sent below.
        if (op_ == "APPEND" && !takeStartLength(pending, failure)) return false;
        HttpOutcome outcome;
        if (upload_->send(replay_.data(), replay_.size(), &outcome)) return true;
        *failure = client_.failureOf(outcome);
    }
    return false;
}

bool WebHdfsWriteFile::uploadPiece(HttpMethod method, const std::string& op, const std::string& query,
                                   const char* data, std::size_t size, std::int64_t lengthAfter, Failure* failure) {
    leaseRefusals_ = 0;
    for (;;) {
        std::string location;
        if (client_.redirectTarget(method, op, path_, query, &location, failure)) {
            HttpUpload upload;
            HttpOutcome outcome;
            bool answered = false;
            if (upload.start(method, location, client_.endpoint().transport(), static_cast<std::int64_t>(size),
                             &outcome) &&
                upload.send(data, size, &outcome)) {
                answered = upload.finish(&outcome);
            }
            if (answered && outcome.succeeded()) return true;
            *failure = client_.failureOf(outcome);
            if (!answered && upload.bodySent()) {
                // Everything went out and the answer did not come: sending
                // the piece again could write it twice. The length decides.
                WebHdfsEntry entry;
                Failure unchecked;
                if (client_.status(path_, &entry, &unchecked) && entry.length == lengthAfter) return true;
                return false;
            }
        }
        if (!awaitLease(failure)) return false;
    }
}

bool WebHdfsWriteFile::sendPiece(Failure* failure) {
    // length_ counts the piece already.
    if (!uploadPiece(HttpMethod::Post, "APPEND", {}, piece_.data(), piece_.size(), length_, failure)) return false;
    piece_.clear();
    return true;
}

bool WebHdfsWriteFile::writeInPieces(const char* data, std::size_t size, VrbString* error) {
    while (size > 0) {
        std::size_t take = std::min(size, kPieceBytes - piece_.size());
        piece_.append(data, take);
        length_ += static_cast<std::int64_t>(take);
        data += take;
        size -= take;
        Failure failure;
        if (piece_.size() == kPieceBytes && !sendPiece(&failure)) {
            writeFailure_ = "Cannot write to file " + path_ + ": " + failure.text();
            setError(error, writeFailure_);
            return false;
        }
    }
    return true;
}

bool WebHdfsWriteFile::write(int, const char* data, int length, VrbString* error) {
    return guarded(error, false, [&] {
        if (closed_) {
            setError(error, "Cannot write to file " + path_ + ": the file is closed");
            return false;
        }
        if (!writeFailure_.empty()) {
            setError(error, writeFailure_);
            return false;
        }
        if (length < 0 || (length > 0 && !data)) {
            setError(error, "Cannot write to file " + path_ + ": " + std::to_string(length) + " bytes given");
            return false;
        }
        if (inPieces_) return writeInPieces(data, static_cast<std::size_t>(length), error);
        if (replayable_ && replay_.size() + static_cast<std::size_t>(length) <= kReplayBytes) {
            replay_.append(data, static_cast<std::size_t>(length));
        } else if (replayable_) {
            replayable_ = false;
            std::string().swap(replay_);
        }
        HttpOutcome outcome;
        if (!upload_->send(data, static_cast<std::size_t>(length), &outcome)) {
            Failure failure = client_.failureOf(outcome);
            if (!resendAfterLease(static_cast<std::size_t>(length), &failure)) {
                writeFailure_ = "Cannot write to file " + path_ + ": " + failure.text();
                setError(error, writeFailure_);
                return false;
            }
        }
        length_ += length;
        return true;
    });
}

std::string WebHdfsWriteFile::lengthShortfall() {
    WebHdfsEntry entry;
    Failure failure;
    if (!client_.status(path_, &entry, &failure)) {
        return failure.kind == FailureKind::NotFound ? "the file is not there"
                                                     : "its length could not be checked: " + failure.text();
    }
    if (entry.length == length_) return {};
    std::int64_t arrived = entry.length - startLength_;
    return "the file holds " + std::to_string(entry.length) + " bytes, not " + std::to_string(length_) + ": " +
           std::to_string(arrived) + " of the " + std::to_string(length_ - startLength_) + " bytes written arrived";
}

bool WebHdfsWriteFile::close(VrbString* error) {
    return guarded(error, false, [&] {
        if (!closed_ && inPieces_) {
            closed_ = true;
            closeFailure_ = writeFailure_;
            Failure failure;
            if (closeFailure_.empty() && !piece_.empty() && !sendPiece(&failure)) {
                closeFailure_ = "Cannot complete writing file " + path_ + ": " + failure.text();
            } else if (closeFailure_.empty()) {
                std::string shortfall = lengthShortfall();
                if (!shortfall.empty()) closeFailure_ = "Cannot complete writing file " + path_ + ": " + shortfall;
            }
            std::string().swap(piece_);
            closeSucceeded_ = closeFailure_.empty();
        }
        if (!closed_) {
            closed_ = true;
            HttpOutcome outcome;
            bool answered = upload_->finish(&outcome);
            std::string prefix = "Cannot complete writing file " + path_ + ": ";
            // A refusal of the open itself, for another client's lease,
            // comes before anything was written: sent again while every byte
            // is at hand.
            Failure refusal;
            bool resendFailed = false;
            while (answered && !outcome.succeeded() && replayable_ &&
                   (refusal = client_.failureOf(outcome)).remedy == Remedy::AwaitLease) {
                if (!resendAfterLease(0, &refusal)) {
                    resendFailed = true;
                    break;
                }
                answered = upload_->finish(&outcome);
            }
            std::string().swap(replay_);
            if (resendFailed) {
                closeFailure_ = prefix + refusal.text();
            } else if (answered && outcome.succeeded()) {
                // A proxy or gateway may confirm an upload it has not passed
                // on whole; only the file's length tells.
                std::string shortfall = lengthShortfall();
                closeSucceeded_ = shortfall.empty();
                if (!closeSucceeded_) closeFailure_ = prefix + "the server confirmed the upload, but " + shortfall;
            } else if (!answered && upload_->bodySent()) {
                // Everything went out and the answer did not come: the upload
                // may well be complete, and a caller who retried an append
                // would write the data twice. The file's length decides.
                std::string shortfall = lengthShortfall();
                closeSucceeded_ = shortfall.empty();
                if (!closeSucceeded_) {
                    closeFailure_ = prefix + client_.failureOf(outcome).text() + "; checked: " + shortfall;
                }
            } else {
                closeFailure_ = prefix + client_.failureOf(outcome).text();
            }
        }
        // Closing again repeats the verdict: a failed upload never turns
        // into a success.
        if (!closeSucceeded_) setError(error, closeFailure_);
        return closeSucceeded_;
    });
}

std::int64_t WebHdfsWriteFile::size() { return length_; }

int WebHdfsWriteFile::read(int, char**, int, VrbString* error) {
    return guarded(error, -1, [&] {
        setError(error, "Cannot read file " + path_ + ": it is open for writing");
        return -1;
    });
}

void WebHdfsWriteFile::release() { delete this; }

}  // namespace vrhadoop
