// Where the conformance cases run: a place to put files and directories,
// named the way hosts name them (a local path, or a hadoop URI).
#pragma once

#include <memory>
#include <string>

class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* name() const = 0;
    // The location hosts pass for `relative` (a path below the test's root).
    virtual std::string location(const std::string& relative) const = 0;
    // The path a listing reports for `relative`.
    virtual std::string listedPath(const std::string& relative) const = 0;
    virtual void writeBytes(const std::string& relative, const std::string& bytes) = 0;
    virtual std::string readBytes(const std::string& relative) = 0;
    virtual void makeDirectory(const std::string& relative) = 0;
};

std::unique_ptr<Backend> makeLocalBackend();
// Null when no cluster is configured (VRB_HDFS_HTTP unset).
std::unique_ptr<Backend> makeHdfsBackend();
// The Hadoop backend over an in-memory WebHDFS in this process, for every
// build without Java; null when the build has no access library.
std::unique_ptr<Backend> makeFakeHdfsBackend();
