// The HDFS side of the conformance cases: a fresh directory on the cluster
// that the test command started, or on an in-memory WebHDFS, prepared
// through the access library.
#include <algorithm>
#include <cstdlib>
#include <random>
#include <stdexcept>

#include "Backend.h"
#include "FakeWebHdfs.h"
#include "hadoop/VRHadoop.h"
#include "vrbclass/VrURI.h"

namespace {

std::string check(bool ok, const VrbString& error, const std::string& what) {
    if (!ok) throw std::runtime_error(what + ": " + error.asCstr());
    return {};
}

// Entries per listing page of the test cluster.
int clusterPageSize() {
    const char* limit = std::getenv("VRB_HDFS_LS_LIMIT");
    return limit && *limit ? std::atoi(limit) : 5;
}

class HdfsBackend final : public Backend {
public:
    HdfsBackend(const char* name, std::string authority, std::unique_ptr<vrhadooptest::FakeWebHdfs> fake = nullptr)
        : label(name), fake(std::move(fake)), authority(std::move(authority)) {
        // Under an HA cluster every location names the standby first and
        // the others in "namenodes", which listing entries take over too.
        const char* all = this->fake ? nullptr : std::getenv("VRB_HDFS_NAMENODES");
        std::string list = all ? all : "";
        for (std::size_t start = 0; start < list.size();) {
            std::size_t comma = std::min(list.find(',', start), list.size());
            std::string address = list.substr(start, comma - start);
            if (!address.empty() && address != this->authority) {
                otherNameNodes += (otherNameNodes.empty() ? "&namenodes=" : ",") + address;
            }
            start = comma + 1;
        }
        // The in-memory server pages as the test cluster does.
        if (this->fake) this->fake->setPageSize(static_cast<std::size_t>(pageSize));
        std::random_device seed;
        root = "/tmp/conformance-" + std::to_string(seed()) + std::to_string(seed());
        VrbString error;
        hadoop = vrHadoopCreate(&error);
        check(hadoop != nullptr, error, "create");
        VrURI* uri = getURIFromURIString(VrbString(uriFor(root).c_str(), false));
        check(uri != nullptr, VrbString("no URI", true), "parse " + uriFor(root));
        connection = hadoop->connect(uri, &error);
        uri->release();
        check(connection != nullptr, error, "connect");
        fileSystem = hadoop->openFileSystem(connection, &error);
        check(fileSystem != nullptr, error, "file system");
        check(fileSystem->makeDirectory(VrbString(root.c_str(), false), 0755, &error), error, "mkdir " + root);
    }
    ~HdfsBackend() override {
        VrbString error;
        fileSystem->remove(VrbString(root.c_str(), false), true, &error);
        fileSystem->release();
        connection->release();
        hadoop->release();
    }

    const char* name() const override { return label; }
    std::string location(const std::string& relative) const override { return uriFor(root + "/" + relative); }
    std::string listedPath(const std::string& relative) const override { return root + "/" + relative; }

    void writeBytes(const std::string& relative, const std::string& bytes) override {
        VrbString error;
        const std::string path = root + "/" + relative;
        HadoopFile* file = fileSystem->openFile(0, VrbString(path.c_str(), false), 2, 0, 65536, &error);
        check(file != nullptr, error, "create " + path);
        bool ok = bytes.empty() || file->write(0, bytes.data(), static_cast<int>(bytes.size()), &error);
        ok = file->close(&error) && ok;
        file->release();
        check(ok, error, "write " + path);
    }

    std::string readBytes(const std::string& relative) override {
        VrbString error;
        const std::string path = root + "/" + relative;
        HadoopFile* file = fileSystem->openFile(0, VrbString(path.c_str(), false), 1, 0, 65536, &error);
        check(file != nullptr, error, "open " + path);
        std::string bytes;
        char* data = nullptr;
        int n;
        while ((n = file->read(0, &data, 1 << 20, &error)) > 0) bytes.append(data, static_cast<std::size_t>(n));
        file->close(&error);
        file->release();
        check(n == 0, error, "read " + path);
        return bytes;
    }

    void makeDirectory(const std::string& relative) override {
        VrbString error;
        const std::string path = root + "/" + relative;
        check(fileSystem->makeDirectory(VrbString(path.c_str(), false), 0755, &error), error, "mkdir " + path);
    }

    void removeTree(const std::string& relative) override {
        VrbString error;
        const std::string path = root + "/" + relative;
        check(fileSystem->remove(VrbString(path.c_str(), false), true, &error), error, "remove " + path);
    }

    // Only the in-memory server can state a length it does not hold; the
    // access library sets no times.
    bool stageLengthAndTime(const std::string& relative, std::int64_t length, std::int64_t seconds) override {
        if (!fake) return false;
        fake->stateLengthAndTime(root + "/" + relative, length, seconds * 1000);
        return true;
    }
    int listingPageSize() const override { return pageSize; }

private:
    std::string uriFor(const std::string& path) const {
        return "hadoop://" + authority + path + "?user=root" + otherNameNodes;
    }

    const char* label;
    std::unique_ptr<vrhadooptest::FakeWebHdfs> fake;   // the server, when it is in this process
    std::string authority;
    // Entries per listing page; the in-memory server takes the cluster's.
    int pageSize = clusterPageSize();
    std::string otherNameNodes;   // "&namenodes=..." under an HA cluster (cluster.sh run --ha)
    std::string root;
    VRHadoop* hadoop = nullptr;
    HadoopConnection* connection = nullptr;
    HadoopFileSystem* fileSystem = nullptr;
};

}  // namespace

std::unique_ptr<Backend> makeHdfsBackend() {
    const char* authority = std::getenv("VRB_HDFS_HTTP");
    if (!authority || !*authority) return nullptr;
    return std::make_unique<HdfsBackend>("hdfs", authority);
}

std::unique_ptr<Backend> makeFakeHdfsBackend() {
    auto fake = std::make_unique<vrhadooptest::FakeWebHdfs>();
    std::string authority = fake->authority();
    return std::make_unique<HdfsBackend>("fakehdfs", authority, std::move(fake));
}
