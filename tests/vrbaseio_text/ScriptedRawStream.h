// A raw stream over bytes in memory that hands them out in chosen chunk
// sizes, records what is written, and fails on request.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vrbaseio_core/VrbIORaw.h"

class ScriptedRawStream final : public VrbIORaw {
public:
    // `chunks` gives the sizes of successive reads (the last repeats);
    // empty means the whole rest in one read.
    static ScriptedRawStream* create(std::string content, std::vector<int> chunks = {});

    bool close() override;
    int read(char** data, int minBytes, int maxBytes) override;
    VrbString errorText() override { return lastError; }
    VrbString path() override { return VrbString("scripted", true); }
    bool open(int openMode, int flags, int* bufferSize, int* encoding) override;
    int write(const char* data, int length) override;
    void destroy() override { delete this; }
    std::int64_t size() override { return static_cast<std::int64_t>(content.size()); }
    std::int64_t skip(std::int64_t count) override;
    int defaultEncoding() override { return rec.openEncoding; }

    // What the test looks at and steers. The stream belongs to the text
    // file, so tests keep these through a shared record.
    struct Record {
        std::string written;
        int writeCalls = 0;
        int readCalls = 0;
        int closeCalls = 0;
        int failWritesAfter = -1;     // writes that succeed before every later one fails
        int acceptAtMost = -1;        // most bytes one write takes (short writes); -1: all
        int failReadAt = -1;          // the read call (0-based) that fails
        int openBufferSize = 4096;    // what open reports when asked to choose
        int openEncoding = 0;         // what a negative encoding becomes
        bool failOpen = false;
        int lastOpenMode = -1;
    };
    Record* record() { return &rec; }

private:
    ScriptedRawStream(std::string content, std::vector<int> chunks);
    ~ScriptedRawStream() = default;

    std::string content;
    std::vector<int> chunks;
    std::size_t nextChunk = 0;
    std::size_t offset = 0;
    std::vector<char> buffer;
    VrbString lastError;
    Record rec;
};
