// The library's root object: turns "hadoop" URIs into connections and
// connections into file systems.
#pragma once

#include "failure.h"
#include "hadoop/VRHadoop.h"
#include "transfer_limits.h"

namespace vrhadoop {

class WebHdfsRoot final : public VRHadoop {
public:
    // Every connection made here waits for the network as `limits` say.
    explicit WebHdfsRoot(TransferLimits limits = TransferLimits()) : limits_(limits) {}
    ~WebHdfsRoot() = default;

    HadoopConnection* connect(VrURI* uri, VrbString* error) override;
    const char* version() override;
    HadoopFileSystem* openFileSystem(HadoopConnection* connection, VrbString* error) override;
    void reserved4() override;
    void reserved5() override;
    void release() override;

private:
    TransferLimits limits_;
};

}  // namespace vrhadoop
