// A file open for writing whose bytes go out in one streaming upload to the
// DataNode that the NameNode's CREATE or APPEND redirects to, as write()
// hands them over. Releasing it without close() drops the connection; the
// file may keep what the server had received.
//
// A lease refusal, or a refusal as the NameNode that redirected the upload
// is no longer the active one, comes from the DataNode when the upload
// begins, which may be after the first writes: while the upload has taken
// no more than kReplayBytes, they are all kept and sent again with a new
// upload once the lease is free, or through the next NameNode.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "HttpUpload.h"
#include "WebHdfsWriteFile.h"

namespace vrhadoop {

class WebHdfsStreamWriter final : public WebHdfsWriteFile {
public:
    static constexpr std::size_t kReplayBytes = HttpUpload::kQueueBytes;

    WebHdfsStreamWriter(const WebHdfsEndpoint& endpoint, std::string path)
        : WebHdfsWriteFile(endpoint, std::move(path)) {}

private:
    bool begin(const WriteTarget& target, std::int64_t startLength, Failure* failure) override;
    bool take(const char* data, std::size_t size, Failure* failure) override;
    std::string complete() override;

    // The NameNode step and the start of the upload; false with *failure.
    bool beginUpload(Failure* failure);
    // After a refusal of the upload's open (another client's lease, a
    // NameNode no longer active): a new upload with every byte written so
    // far, while they are all kept; false with *failure.
    // `pending`: the bytes of the write under way, which length_ does not
    // count yet.
    bool resendAfterRefusal(std::size_t pending, Failure* failure);
    // For an append: the file's length now is where this writer's bytes
    // start (length_ follows); false with *failure.
    bool takeStartLength(std::size_t pending, Failure* failure);
    // The verdict on an upload that finish() ended: empty when the file
    // holds every byte, else the message.
    std::string verdict(bool answered, const HttpOutcome& outcome);

    WriteTarget target_{HttpMethod::Put, {}, {}};
    // The upload under way; a new one replaces it after a lease refusal.
    std::unique_ptr<HttpUpload> upload_;
    // While replayable_, replay_ holds every byte written (no more than
    // kReplayBytes); once more came, replayable_ is false for good and
    // replay_ is empty.
    std::string replay_;
    bool replayable_ = true;
};

}  // namespace vrhadoop
