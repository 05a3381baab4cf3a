#include "access_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>

#include "WebHdfsRoot.h"

namespace vrhadooptest {

Session::Session(const std::string& uri, const vrhadoop::TransferLimits& limits) {
    hadoop.reset(new (std::nothrow) vrhadoop::WebHdfsRoot(limits));
    if (!hadoop) {
        error.assign("test: out of memory");
        return;
    }
    Owned<VrURI> parsed(getURIFromURIString(VrbString(uri.c_str(), false)));
    if (!parsed) {
        error.assign("test: the URI does not parse");
        return;
    }
    connection.reset(hadoop->connect(parsed.get(), &error));
    if (connection) fileSystem.reset(hadoop->openFileSystem(connection.get(), &error));
}

std::string text(const VrbString& value) { return std::string(value.asCstr(), value.length()); }

std::string readAll(HadoopFile* file, int maxBytes, std::string* error) {
    std::string data;
    for (;;) {
        char* piece = nullptr;
        VrbString message;
        int n = file->read(0, &piece, maxBytes, &message);
        if (n < 0) {
            *error = text(message);
            return data;
        }
        if (n == 0) return data;
        EXPECT_LE(n, maxBytes);
        EXPECT_TRUE(std::all_of(piece + n, piece + n + 16, [](char c) { return c == 0; }))
            << "no zero bytes after the piece at " << data.size();
        data.append(piece, static_cast<std::size_t>(n));
    }
}

bool writeAll(HadoopFile* file, const std::string& data, std::size_t blockSize, std::string* error) {
    for (std::size_t at = 0; at < data.size(); at += blockSize) {
        VrbString message;
        std::size_t length = std::min(blockSize, data.size() - at);
        if (!file->write(0, data.data() + at, static_cast<int>(length), &message)) {
            *error = text(message);
            return false;
        }
    }
    return true;
}

std::string patternedBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(state >> 16);
    }
    return bytes;
}

}  // namespace vrhadooptest
