// A file of a Hadoop file system open for reading. The data come in one
// streaming download (an OPEN request, redirected to a DataNode) through a
// buffer of a few MiB, and go out in slices of that buffer, each followed by
// zero bytes, without copying. A transfer that breaks off is resumed at the
// byte reached with a fresh OPEN through the NameNode, which is told to
// leave out the DataNodes that broke off (excludedatanodes) and so chooses
// another replica; a resume that follows one that brought nothing (or too
// little: a transfer below the rate floor, TransferLimits) waits
// first. Before a resume the file must still be the one opened (its fileId,
// or its length and modification time where the server sends no fileId):
// bytes of another file are never spliced in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "HttpDownload.h"
#include "WebHdfsClient.h"
#include "hadoop/VRHadoop.h"

namespace vrhadoop {

class WebHdfsReadFile final : public HadoopFile {
public:
    // Attempts in a row, each after a broken transfer, that may bring no new
    // byte before a read fails.
    static constexpr int kMaxResumes = 3;
    static constexpr std::size_t kPadding = HttpDownload::kPadding;

    // Checks the path (a directory or a missing file is refused) and takes
    // the file's size; null with *message on failure.
    static WebHdfsReadFile* open(const WebHdfsEndpoint& endpoint, const std::string& path, std::string* message);
    ~WebHdfsReadFile() = default;

    bool close(VrbString* error) override;
    std::int64_t size() override;
    int read(int reserved, char** data, int maxBytes, VrbString* error) override;
    void release() override;
    bool write(int reserved, const char* data, int length, VrbString* error) override;

private:
    WebHdfsReadFile(const WebHdfsEndpoint& endpoint, std::string path) : client_(endpoint), path_(std::move(path)) {}

    // A download of the rest of the file from position_; false with *failure.
    bool startDownload(Failure* failure);
    // The next slice, resuming after broken transfers; 0 at the end, -1 with
    // *message on failure.
    int nextSlice(std::size_t maxBytes, char** data, std::string* message);

    // How `excludedatanodes` names the DataNode at `server` (HOST:PORT of
    // its web server): by its data transfer address, which the NameNode
    // tells for the block at position_; `server` itself when it does not.
    std::string exclusionFor(const std::string& server);

    // At the end of the length the file had when opened, which an observer
    // NameNode may have told from a view that lags the active one's: with
    // several NameNodes, the active one's length decides. 0 when the read
    // ends here, 1 when the file goes on (size_ grows), -1 with *message.
    int endConfirmedByActive(std::string* message);

    // False with *failure when the file is no longer the one opened.
    bool stillTheFileOpened(Failure* failure);

    WebHdfsClient client_;
    std::string path_;
    WebHdfsEntry opened_;                 // the file's status when opened
    std::string excluded_;                // "IP:PORT,..." of the DataNodes that broke off
    std::string excludedServers_;         // ",HOST:PORT,..." of their web servers
    std::string downloadServer_;          // the DataNode of download_, as HOST:PORT
    std::int64_t size_ = 0;
    std::int64_t position_ = 0;           // bytes handed out so far
    std::unique_ptr<HttpDownload> download_;
    std::int64_t downloadStart_ = 0;      // position_ when download_ began
    // Broken transfers in a row that brought nothing or too little (below
    // the rate floor); a read whose bytes trickle returns each one, so
    // this outlives a call.
    int fruitless_ = 0;
    bool endConfirmed_ = false;           // endConfirmedByActive() was asked
    bool closed_ = false;
};

}  // namespace vrhadoop
