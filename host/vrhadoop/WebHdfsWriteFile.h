// A file of a Hadoop file system open for writing: one streaming upload to
// the DataNode that the NameNode's CREATE or APPEND redirects to. close()
// ends the upload, checks the file's length against the bytes sent and
// reports the outcome. Releasing the file without close() abandons the
// upload: nothing more is sent and the connection is dropped; the file may
// keep what the server had received.
#pragma once

#include <cstdint>
#include <string>

#include "HttpUpload.h"
#include "WebHdfsClient.h"
#include "hadoop/VRHadoop.h"

namespace vrhadoop {

class WebHdfsWriteFile final : public HadoopFile {
public:
    // append false: CREATE, replacing an existing file. append true: APPEND
    // to an existing file, or CREATE (never replacing) when there is none.
    // A directory is refused. Null with *message on failure.
    static WebHdfsWriteFile* open(const WebHdfsEndpoint& endpoint, const std::string& path, bool append,
                                  std::string* message);
    ~WebHdfsWriteFile() = default;

    bool close(VrbString* error) override;
    // The file's length as far as this writer knows: what it had when opened
    // for appending, plus every byte taken by write().
    std::int64_t size() override;
    int read(int reserved, char** data, int maxBytes, VrbString* error) override;
    void release() override;
    bool write(int reserved, const char* data, int length, VrbString* error) override;

private:
    WebHdfsWriteFile(const WebHdfsEndpoint& endpoint, std::string path) : client_(endpoint), path_(std::move(path)) {}

    // Empty when the file's length is what this writer sent it to; else
    // what the file holds instead, in words.
    std::string lengthShortfall();

    WebHdfsClient client_;
    HttpUpload upload_;
    std::string path_;
    std::int64_t startLength_ = 0;   // the file's length when opened for appending
    std::int64_t length_ = 0;
    std::string writeFailure_;   // once a write failed, every later write fails the same way
    bool closed_ = false;
    bool closeSucceeded_ = false;
    std::string closeFailure_;
};

}  // namespace vrhadoop
