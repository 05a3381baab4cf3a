// A file of a Hadoop file system open for reading. Data comes in large
// ranges (one OPEN request each, redirected to a DataNode) and goes out in
// slices of the range buffer, each followed by zero bytes: the bytes right
// after a slice are saved, zeroed, and put back at the next call, so no
// slice is copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "WebHdfsClient.h"
#include "hadoop/VRHadoop.h"

namespace vrhadoop {

class WebHdfsReadFile final : public HadoopFile {
public:
    // Bytes fetched per request: first the caller's block size, but at
    // least kMinRangeBytes; each further request asks for twice as much, up
    // to kMaxRangeBytes, never more than is left of the file. Each request
    // costs a NameNode and a DataNode round trip, so a long sequential read
    // needs large ranges to keep pace with one streaming download, while a
    // short read keeps a small buffer.
    static constexpr std::size_t kMinRangeBytes = 8u << 20;
    static constexpr std::size_t kMaxRangeBytes = 64u << 20;
    // Zero bytes after every slice handed out.
    static constexpr std::size_t kPadding = 16;

    // Checks the path (a directory or a missing file is refused) and takes
    // the file's size; null with *message on failure.
    static WebHdfsReadFile* open(const WebHdfsEndpoint& endpoint, const std::string& path, int bufferSize,
                                 std::string* message);
    ~WebHdfsReadFile() = default;

    bool close(VrbString* error) override;
    std::int64_t size() override;
    int read(int reserved, char** data, int maxBytes, VrbString* error) override;
    void release() override;
    bool write(int reserved, const char* data, int length, VrbString* error) override;

private:
    WebHdfsReadFile(const WebHdfsEndpoint& endpoint, std::string path) : client_(endpoint), path_(std::move(path)) {}

    // The next range into the buffer; false with *message.
    bool fetchRange(std::string* message);
    void zeroAfter(std::size_t end);
    void restoreZeroed();

    WebHdfsClient client_;
    std::string path_;
    std::int64_t size_ = 0;
    std::int64_t nextRangeOffset_ = 0;   // file offset of the range after the buffered one
    std::unique_ptr<char[]> range_;      // rangeCapacity_ + kPadding bytes
    std::size_t rangeCapacity_ = 0;
    std::size_t rangeWindow_ = 0;        // bytes the next request asks for
    std::size_t rangeLength_ = 0;
    std::size_t handedOut_ = 0;          // bytes of the range handed out so far
    char zeroedBytes_[kPadding] = {};
    std::size_t zeroedAt_ = 0;
    std::size_t zeroedCount_ = 0;
    bool closed_ = false;
};

}  // namespace vrhadoop
