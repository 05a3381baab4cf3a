#include "WebHdfsReadFile.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vrhadoop {

WebHdfsReadFile* WebHdfsReadFile::open(const WebHdfsEndpoint& endpoint, const std::string& path, int bufferSize,
                                       std::string* message) {
    std::unique_ptr<WebHdfsReadFile> file(new (std::nothrow) WebHdfsReadFile(endpoint, path));
    if (!file || !file->client_.ready()) {
        *message = "Cannot open file " + path + ": " + (file ? "the HTTP library could not be set up" : "out of memory");
        return nullptr;
    }
    WebHdfsEntry entry;
    Failure failure;
    if (!file->client_.status(path, &entry, &failure)) {
        *message = "Cannot open file " + path + ": " + failure.text();
        return nullptr;
    }
    if (entry.isDirectory) {
        *message = "Cannot open file " + path + ": Path is a directory";
        return nullptr;
    }
    file->rangeWindow_ = std::clamp(static_cast<std::size_t>(std::max(bufferSize, 0)), kMinRangeBytes, kMaxRangeBytes);
    file->size_ = std::max<std::int64_t>(entry.length, 0);
    return file.release();
}

bool WebHdfsReadFile::fetchRange(std::string* message) {
    auto length = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(rangeWindow_),
                                                                   size_ - nextRangeOffset_));
    if (!range_ || length > rangeCapacity_) {
        range_.reset(new (std::nothrow) char[length + kPadding]);
        rangeCapacity_ = range_ ? length : 0;
        rangeLength_ = handedOut_ = 0;
        if (!range_) {
            *message = "Cannot read file " + path_ + ": out of memory for a buffer of " + std::to_string(length) +
                       " bytes";
            return false;
        }
    }
    std::size_t received = 0;
    Failure failure;
    if (!client_.readRange(path_, nextRangeOffset_, length, range_.get(), &received, &failure)) {
        *message = "Cannot read file " + path_ + " at byte " + std::to_string(nextRangeOffset_) + ": " +
                   failure.text();
        return false;
    }
    if (received == 0) {
        // The file shrank since it was opened; ending here would pass a
        // shorter file off as complete.
        *message = "Cannot read file " + path_ + ": it ends at byte " + std::to_string(nextRangeOffset_) +
                   ", before the " + std::to_string(size_) + " bytes it had when it was opened";
        return false;
    }
    std::memset(range_.get() + received, 0, kPadding);
    rangeLength_ = received;
    handedOut_ = 0;
    nextRangeOffset_ += static_cast<std::int64_t>(received);
    rangeWindow_ = std::min(rangeWindow_ * 2, kMaxRangeBytes);
    return true;
}

void WebHdfsReadFile::zeroAfter(std::size_t end) {
    // Beyond rangeLength_ the padding is zero already.
    zeroedAt_ = end;
    zeroedCount_ = std::min(kPadding, rangeLength_ - end);
    std::memcpy(zeroedBytes_, range_.get() + end, zeroedCount_);
    std::memset(range_.get() + end, 0, zeroedCount_);
}

void WebHdfsReadFile::restoreZeroed() {
    if (zeroedCount_ == 0) return;
    std::memcpy(range_.get() + zeroedAt_, zeroedBytes_, zeroedCount_);
    zeroedCount_ = 0;
}

int WebHdfsReadFile::read(int, char** data, int maxBytes, VrbString* error) {
    return guarded(error, -1, [&] {
        restoreZeroed();
        if (closed_) {
            setError(error, "Cannot read file " + path_ + ": the file is closed");
            return -1;
        }
        if (maxBytes <= 0 || !data) {
            setError(error, "Cannot read file " + path_ + ": " + std::to_string(maxBytes) + " bytes asked for");
            return -1;
        }
        if (handedOut_ == rangeLength_) {
            if (nextRangeOffset_ >= size_) return 0;
            std::string message;
            if (!fetchRange(&message)) {
                setError(error, message);
                return -1;
            }
        }
        std::size_t slice = std::min(static_cast<std::size_t>(maxBytes), rangeLength_ - handedOut_);
        *data = range_.get() + handedOut_;
        handedOut_ += slice;
        zeroAfter(handedOut_);
        return static_cast<int>(slice);
    });
}

bool WebHdfsReadFile::close(VrbString*) {
    restoreZeroed();
    closed_ = true;
    return true;
}

std::int64_t WebHdfsReadFile::size() { return size_; }

bool WebHdfsReadFile::write(int, const char*, int, VrbString* error) {
    return guarded(error, false, [&] {
        setError(error, "Cannot write to file " + path_ + ": it is open for reading");
        return false;
    });
}

void WebHdfsReadFile::release() { delete this; }

}  // namespace vrhadoop
