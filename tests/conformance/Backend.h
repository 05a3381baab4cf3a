// Where the conformance cases run: a place to put files and directories,
// named the way hosts name them (a local path, or a hadoop URI).
#pragma once

#include <cstdint>
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
    // Removes a directory and everything below it.
    virtual void removeTree(const std::string& relative) = 0;

    // Capability hooks: what a backend can stage beyond plain writes.
    // Makes the file `relative` (which exists) report `length` bytes and the
    // modification time `seconds` since 1970 UTC without writing that much;
    // false when the backend cannot.
    virtual bool stageLengthAndTime(const std::string& relative, std::int64_t length, std::int64_t seconds) = 0;
    // The entries a listing fetches from the file system at a time; 0 when
    // the backend does not page.
    virtual int listingPageSize() const = 0;
};

std::unique_ptr<Backend> makeLocalBackend();
// Null when no cluster is configured (VRB_HDFS_HTTP unset).
std::unique_ptr<Backend> makeHdfsBackend();
// The Hadoop backend over an in-memory WebHDFS in this process, for every
// build without Java; null when the build has no access library.
std::unique_ptr<Backend> makeFakeHdfsBackend();
