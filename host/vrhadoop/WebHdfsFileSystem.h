// A Hadoop file system reached over WebHDFS: the calls that need no open
// file, and the opening of files and directory listings, each of which gets
// its own HTTP client and outlives the file system.
#pragma once

#include "WebHdfsClient.h"
#include "hadoop/VRHadoop.h"

namespace vrhadoop {

class WebHdfsFileSystem final : public HadoopFileSystem {
public:
    explicit WebHdfsFileSystem(const WebHdfsEndpoint& endpoint) : client_(endpoint) {}
    ~WebHdfsFileSystem() = default;

    bool ready() const { return client_.ready(); }

    bool makeDirectory(const VrbString& path, int permission, VrbString* error) override;
    bool remove(const VrbString& path, bool recursive, VrbString* error) override;
    bool status(const VrbString& path, HadoopFileStatus* status, VrbString* error) override;
    bool setPermission(const VrbString& path, int permission, VrbString* error) override;
    void reserved5() override;
    HadoopDirIterator* openDirIterator(int reserved, const VrbString& path, VrbString* error) override;
    HadoopFile* openFile(int reserved, const VrbString& path, int openMode, int flags, int bufferSize,
                         VrbString* error) override;
    void release() override;

private:
    WebHdfsClient client_;
};

}  // namespace vrhadoop
