// Driving the access library the way its users do, for the unit tests and
// the tests against a real cluster.
#pragma once

#include <memory>
#include <string>

#include "hadoop/VRHadoop.h"
#include "transfer_limits.h"
#include "vrbclass/VrURI.h"

namespace vrhadooptest {

struct Release {
    template <typename T>
    void operator()(T* object) const {
        object->release();
    }
};
template <typename T>
using Owned = std::unique_ptr<T, Release>;

// Root, connection and file system for a URI, waiting for the network as
// `limits` say. Members end in reverse order.
struct Session {
    explicit Session(const std::string& uri, const vrhadoop::TransferLimits& limits = vrhadoop::TransferLimits());
    Owned<VRHadoop> hadoop;
    Owned<HadoopConnection> connection;
    Owned<HadoopFileSystem> fileSystem;
    VrbString error;
};

std::string text(const VrbString& value);

// Reads to the end in pieces of at most maxBytes, checking that every piece
// keeps to maxBytes and is followed by 16 zero bytes. Sets *error and stops
// at a failed read.
std::string readAll(HadoopFile* file, int maxBytes, std::string* error);
// Writes `data` in blocks of `blockSize`; false at the first refusal.
bool writeAll(HadoopFile* file, const std::string& data, std::size_t blockSize, std::string* error);
// Bytes that differ from block to block, so misplaced ranges show.
std::string patternedBytes(std::size_t size, unsigned seed);

}  // namespace vrhadooptest
