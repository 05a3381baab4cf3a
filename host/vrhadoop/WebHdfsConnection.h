// A connection to one WebHDFS NameNode as one user. Nothing is contacted
// until a file system made from it does something.
#pragma once

#include "WebHdfsClient.h"
#include "hadoop/VRHadoop.h"

namespace vrhadoop {

class WebHdfsConnection final : public HadoopConnection {
public:
    explicit WebHdfsConnection(WebHdfsEndpoint endpoint) : endpoint_(std::move(endpoint)) {}
    ~WebHdfsConnection() = default;

    VrbString endpoint() override;
    VrbString user() override;
    void release() override;

    const WebHdfsEndpoint& settings() const { return endpoint_; }

private:
    WebHdfsEndpoint endpoint_;
};

}  // namespace vrhadoop
