#include "WebHdfsWriteFile.h"

#include <algorithm>
#include <memory>
#include <new>

#include "HttpUpload.h"
#include "WebHdfsPieceWriter.h"
#include "WebHdfsStreamWriter.h"

namespace vrhadoop {
namespace {

WebHdfsWriteFile* newWriter(const WebHdfsEndpoint& endpoint, const std::string& path) {
    if (endpoint.limits.uploadInPieces || !HttpUpload::streamsUnknownLength(endpoint.nameNode)) {
        return new (std::nothrow) WebHdfsPieceWriter(endpoint, path);
    }
    return new (std::nothrow) WebHdfsStreamWriter(endpoint, path);
}

}  // namespace

WebHdfsWriteFile* WebHdfsWriteFile::open(const WebHdfsEndpoint& endpoint, const std::string& path, bool append,
                                         std::string* message) {
    std::string action = "Cannot open file " + path + (append ? " for appending: " : " for writing: ");
    std::unique_ptr<WebHdfsWriteFile> file(newWriter(endpoint, path));
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
    // Appending to a file that is not there creates it, but never replaces
    // one that another client made in the meantime.
    WriteTarget target{appending ? HttpMethod::Post : HttpMethod::Put, appending ? "APPEND" : "CREATE",
                       appending ? "" : (append ? "&overwrite=false" : "&overwrite=true")};
    std::int64_t startLength = appending ? entry.length : 0;
    file->replacedFileId_ = (exists && !appending) ? entry.fileId : 0;
    // While the file was another client's, it may have grown.
    if (!file->begin(target, startLength, &failure) ||
        (appending && file->lease_.refusals() > 0 && !file->client_.status(path, &entry, &failure))) {
        *message = action + failure.text();
        return nullptr;
    }
    file->startLength_ = file->length_ = appending ? entry.length : 0;
    return file.release();
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
        Failure failure;
        if (take(data, static_cast<std::size_t>(length), &failure)) return true;
        writeFailure_ = "Cannot write to file " + path_ + ": " + failure.text();
        setError(error, writeFailure_);
        return false;
    });
}

bool WebHdfsWriteFile::close(VrbString* error) {
    return guarded(error, false, [&] {
        if (!closed_) {
            closed_ = true;
            closeFailure_ = complete();
            closeSucceeded_ = closeFailure_.empty();
        }
        // Closing again repeats the verdict: a failed upload never turns
        // into a success.
        if (!closeSucceeded_) setError(error, closeFailure_);
        return closeSucceeded_;
    });
}

Failure WebHdfsWriteFile::dataNodeFailure(const HttpOutcome& outcome) const {
    Failure failure = client_.failureOf(outcome);
    if (!outcome.answered() && failure.remedy == Remedy::OtherNameNode) failure.remedy = Remedy::None;
    return failure;
}

bool WebHdfsWriteFile::mayResend(Failure* failure) {
    return client_.failOver(failure) || lease_.pauseAfter(failure);
}

std::string WebHdfsWriteFile::partialNote() {
    WebHdfsEntry entry;
    Failure failure;
    if (!client_.status(path_, &entry, &failure)) return {};
    return "the file on the cluster may hold part of the data: it holds " + std::to_string(entry.length) +
           " bytes now";
}

WebHdfsWriteFile::WrittenCheck WebHdfsWriteFile::checkWritten(std::int64_t expectedLength) {
    WebHdfsEntry entry;
    Failure failure;
    if (!client_.status(path_, &entry, &failure)) {
        if (failure.kind == FailureKind::NotFound) return {WrittenCheck::Lacks, "the file is not there"};
        return {WrittenCheck::Unknown, "its length could not be checked: " + failure.text()};
    }
    if (replacedFileId_ != 0 && entry.fileId == replacedFileId_) {
        return {WrittenCheck::Lacks, "the file is still the one it was to replace (" + std::to_string(entry.length) +
                                         " bytes): none of the bytes written arrived"};
    }
    if (entry.length == expectedLength) return {WrittenCheck::Holds, {}};
    std::string holds = "the file holds " + std::to_string(entry.length) + " bytes, not " +
                        std::to_string(expectedLength);
    if (entry.length > expectedLength) {
        // Another client wrote to it as well: whether these bytes are among
        // them, the length cannot tell.
        return {WrittenCheck::Unknown, holds + ": more than this writer left it at; another client may have written to it"};
    }
    std::int64_t arrived = std::max<std::int64_t>(0, entry.length - startLength_);
    return {WrittenCheck::Lacks, holds + ": " + std::to_string(arrived) + " of the " +
                                     std::to_string(expectedLength - startLength_) + " bytes written arrived"};
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
