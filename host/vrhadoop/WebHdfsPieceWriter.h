// A file open for writing whose bytes go out in pieces, for HTTP stacks that
// cannot stream a body of unknown length (HttpUpload::streamsUnknownLength(),
// judged by the NameNode's URL, since a DataNode is reached as the NameNode
// is): the open is a CREATE (or APPEND) with an empty body, and the bytes
// written follow in APPENDs of kPieceBytes, each with its length, the last
// at close(). A piece refused for another client's lease, by a busy
// NameNode or by one no longer active is sent again whole, like the open.
// The file's lease is released between pieces: another client may write
// to the file between them. Releasing the file without close() drops the
// piece not sent yet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "WebHdfsWriteFile.h"

namespace vrhadoop {

class WebHdfsPieceWriter final : public WebHdfsWriteFile {
public:
    static constexpr std::size_t kPieceBytes = 8u << 20;

    WebHdfsPieceWriter(const WebHdfsEndpoint& endpoint, std::string path)
        : WebHdfsWriteFile(endpoint, std::move(path)) {}

private:
    bool begin(const WriteTarget& target, std::int64_t startLength, Failure* failure) override;
    bool take(const char* data, std::size_t size, Failure* failure) override;
    std::string complete() override;

    // One request of `target` with the whole body `data`, waiting while
    // another client's lease blocks it; false with *failure. An exchange
    // whose answer is lost counts as done when the file's length is then
    // `lengthAfter`.
    bool upload(const WriteTarget& target, const char* data, std::size_t size, std::int64_t lengthAfter,
                Failure* failure);
    // Sends the piece that waits; false with *failure.
    bool sendPiece(Failure* failure);

    // The bytes written and not sent yet, which length_ counts already:
    // fewer than kPieceBytes between writes, emptied at close().
    std::string piece_;
};

}  // namespace vrhadoop
