// A file of a Hadoop file system open for reading. The file is fetched as
// consecutive ranges, each a streaming download (an OPEN request with an
// offset and a length, redirected to a DataNode) through a buffer of a few
// MiB; several ranges are in flight at once over one transfer group, so the
// DataNodes serve them side by side while the reader takes the first. The
// data go out in slices of the buffers, each followed by zero bytes, without
// copying. A transfer that breaks off is resumed at the byte reached with a
// fresh OPEN through the NameNode, which may choose another replica.
#pragma once

#include <cstdint>
#include <deque>
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
    // A range's length, and how many ranges are fetched at once: memory per
    // open file stays below kRangesInFlight buffers of a download.
    static constexpr std::int64_t kRangeBytes = 8 << 20;
    static constexpr std::size_t kRangesInFlight = 4;
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

    // Bytes [start, end) of the file; `download` fetches [downloadStart, end)
    // and is null while no transfer runs for the range.
    struct Range {
        std::int64_t start = 0;
        std::int64_t end = 0;
        std::int64_t downloadStart = 0;
        std::unique_ptr<HttpDownload> download;
    };

    // Starts the downloads of further ranges until kRangesInFlight run. A
    // range whose start fails waits without one; it is tried again, and its
    // failure told, when it is the one being read.
    void fetchAhead();
    // A download of the rest of `range` from `from`; false with *failure.
    bool startDownload(Range& range, std::int64_t from, Failure* failure);
    // The next slice, resuming after broken transfers; 0 at the end, -1 with
    // *message on failure.
    int nextSlice(std::size_t maxBytes, char** data, std::string* message);

    WebHdfsClient client_;
    std::string path_;
    std::int64_t size_ = 0;
    // Declared before ranges_: the downloads leave it before it goes.
    TransferGroup transfers_;
    // Bytes handed out so far. ranges_ covers [position_, fetchedUpTo_) in
    // file order, the first range holding position_, and has at most
    // kRangesInFlight entries.
    std::int64_t position_ = 0;
    std::int64_t fetchedUpTo_ = 0;
    std::deque<Range> ranges_;
    bool closed_ = false;
};

}  // namespace vrhadoop
