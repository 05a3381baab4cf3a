#include "WebHdfsReadFile.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <thread>

#include <cstdlib>

#include <nlohmann/json.hpp>

#include "file_status_json.h"
#include "webhdfs_path.h"

namespace vrhadoop {

WebHdfsReadFile* WebHdfsReadFile::open(const WebHdfsEndpoint& endpoint, const std::string& path,
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
    file->size_ = std::max<std::int64_t>(entry.length, 0);
    file->opened_ = entry;
    return file.release();
}

bool WebHdfsReadFile::stillTheFileOpened(Failure* failure) {
    WebHdfsEntry now;
    if (!client_.status(path_, &now, failure)) return false;
    // An append keeps the fileId and the bytes read so far; without one,
    // any change counts.
    bool same = (opened_.fileId != 0 && now.fileId != 0)
                    ? now.fileId == opened_.fileId
                    : now.length == opened_.length && now.modificationTime == opened_.modificationTime;
    if (same && !now.isDirectory) return true;
    *failure = Failure{FailureKind::Other, "the file was replaced or changed since it was opened", {}};
    return false;
}

std::string WebHdfsReadFile::exclusionFor(const std::string& server) {
    std::size_t colon = server.rfind(':');
    std::string host = server.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    long port = colon == std::string::npos ? 0 : std::strtol(server.c_str() + colon + 1, nullptr, 10);
    nlohmann::json answer;
    Failure failure;
    std::string address;
    if (port > 0 && client_.callJson(HttpMethod::Get, "GET_BLOCK_LOCATIONS", path_,
                                     "&offset=" + std::to_string(position_) + "&length=1", &answer, &failure)) {
        address = transferAddressOf(answer, host, port);
    }
    return address.empty() ? server : address;
}

int WebHdfsReadFile::endConfirmedByActive(std::string* message) {
    if (client_.endpoint().otherNameNodes.empty() || !client_.preferActive()) return 0;
    WebHdfsEntry now;
    Failure failure;
    // Without fileIds an append cannot be told from a replacement: the
    // length first told stands.
    if (!client_.status(path_, &now, &failure) || now.fileId == 0 || opened_.fileId == 0) return 0;
    if (now.fileId != opened_.fileId || now.isDirectory) {
        *message = "Cannot read file " + path_ + " at byte " + std::to_string(position_) +
                   ": the file was replaced or changed since it was opened";
        return -1;
    }
    if (now.length <= size_) return 0;
    size_ = now.length;
    opened_ = now;
    download_.reset();
    return 1;
}

bool WebHdfsReadFile::startDownload(Failure* failure) {
    download_.reset();
    if (position_ > 0 && !stillTheFileOpened(failure)) return false;
    std::int64_t rest = size_ - position_;
    std::string query = "&offset=" + std::to_string(position_) + "&length=" + std::to_string(rest);
    if (!excluded_.empty()) query += "&excludedatanodes=" + percentEncode(excluded_, false);
    std::string location;
    if (!client_.redirectTarget(HttpMethod::Get, "OPEN", path_, query, &location, failure)) return false;
    downloadServer_ = serverOf(location);
    downloadServer_.erase(0, std::min(downloadServer_.size(), downloadServer_.find("://") + 3));
    download_.reset(new (std::nothrow) HttpDownload());
    HttpOutcome outcome;
    if (!download_) {
        *failure = Failure{FailureKind::Other, "out of memory", {}};
        return false;
    }
    if (!download_->start(location, client_.endpoint().transport(), static_cast<std::uint64_t>(rest), &outcome)) {
        *failure = client_.failureOf(outcome);
        download_.reset();
        return false;
    }
    downloadStart_ = position_;
    return true;
}

int WebHdfsReadFile::nextSlice(std::size_t maxBytes, char** data, std::string* message) {
    std::string lastBreak;
    for (;;) {
        Failure failure;
        if (!download_ && !startDownload(&failure)) {
            *message = "Cannot read file " + path_ + " at byte " + std::to_string(position_) + ": " + failure.text();
            if (!lastBreak.empty()) *message += "; before that: " + lastBreak;
            return -1;
        }
        HttpOutcome outcome;
        long n = download_->take(maxBytes, data, &outcome);
        if (n > 0) {
            position_ += n;
            return static_cast<int>(n);
        }
        bool broke = n < 0 && !outcome.answered();
        bool broughtNothing = position_ == downloadStart_;
        download_.reset();
        if (n < 0 && !broke) {
            *message = "Cannot read file " + path_ + " at byte " + std::to_string(position_) + ": " +
                       client_.failureOf(outcome).text();
            return -1;
        }
        if (n == 0 && position_ >= size_) return 0;
        if (n == 0 && broughtNothing) {
            // The file shrank since it was opened; ending here would pass a
            // shorter file off as complete.
            *message = "Cannot read file " + path_ + ": it ends at byte " + std::to_string(position_) +
                       ", before the " + std::to_string(size_) + " bytes it had when it was opened";
            return -1;
        }
        if (outcome.oversized) {
            // An answer longer than the rest of the file is not the range
            // asked for: no resume would make it fit.
            *message = "Cannot read file " + path_ + " at byte " + std::to_string(position_) +
                       ": the DataNode's answer is not the range asked for (" + client_.failureOf(outcome).text() + ")";
            return -1;
        }
        if (broke) {
            lastBreak = client_.failureOf(outcome).text();
            // A transfer below the rate floor brought too little to count
            // as progress: a read from servers that all trickle must end.
            fruitless_ = broughtNothing || outcome.slow ? fruitless_ + 1 : 1;
            if (!downloadServer_.empty() && (excludedServers_ + ",").find("," + downloadServer_ + ",") == std::string::npos) {
                excludedServers_ += "," + downloadServer_;
                excluded_ += (excluded_.empty() ? "" : ",") + exclusionFor(downloadServer_);
            }
            if (fruitless_ > kMaxResumes) {
                *message = "Cannot read file " + path_ + " at byte " + std::to_string(position_) + ": " + lastBreak +
                           " (" + std::to_string(kMaxResumes) + " attempts to resume brought " +
                           (outcome.slow ? "too little)" : "nothing)");
                return -1;
            }
        }
        if (broke && (broughtNothing || outcome.slow)) {
            std::this_thread::sleep_for(
                std::chrono::milliseconds(client_.endpoint().limits.retryDelayMs << (fruitless_ - 1)));
        }
        // A shorter complete answer, or a break: go on from the byte reached.
    }
}

int WebHdfsReadFile::read(int, char** data, int maxBytes, VrbString* error) {
    return guarded(error, -1, [&] {
        if (closed_) {
            setError(error, "Cannot read file " + path_ + ": the file is closed");
            return -1;
        }
        if (maxBytes <= 0 || !data) {
            setError(error, "Cannot read file " + path_ + ": " + std::to_string(maxBytes) + " bytes asked for");
            return -1;
        }
        std::string message;
        if (position_ >= size_ && !endConfirmed_) {
            endConfirmed_ = true;
            if (endConfirmedByActive(&message) < 0) {
                setError(error, message);
                return -1;
            }
        }
        if (position_ >= size_) return 0;
        int n = nextSlice(static_cast<std::size_t>(maxBytes), data, &message);
        if (n < 0) setError(error, message);
        return n;
    });
}

bool WebHdfsReadFile::close(VrbString*) {
    download_.reset();
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
