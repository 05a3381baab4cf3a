// The raw byte stream over one file of a Hadoop file system.
#pragma once

#include <cstdint>

#include "hadoop/VRHadoop.h"
#include "vrbaseio_core/VrbIORaw.h"
#include "vrbclass/VrURI.h"

class VrbIOHadoop final : public VrbIORaw {
public:
    // Takes `uri` over.
    explicit VrbIOHadoop(VrURI* uri) noexcept : uri(uri) {}

    bool close() override;
    int read(char** data, int minBytes, int maxBytes) override;
    VrbString errorText() override { return lastError; }
    VrbString path() override { return filePath; }
    bool open(int openMode, int flags, int* bufferSize, int* encoding) override;
    int write(const char* data, int length) override;
    void destroy() override;
    std::int64_t size() override;
    std::int64_t skip(std::int64_t count) override;
    int defaultEncoding() override;

private:
    ~VrbIOHadoop() = default;
    bool handOver(VrbString* error);

    VrURI* uri;   // owned; used by open only
    VrbString filePath;
    int openMode = 1;
    VrbString lastError;
    int bufferSize = 0;
    int bufferedLength = 0;
    char* buffer = nullptr;
    VRHadoop* hadoop = nullptr;
    HadoopConnection* connection = nullptr;
    HadoopFileSystem* fileSystem = nullptr;
    HadoopFile* hadoopFile = nullptr;
};
