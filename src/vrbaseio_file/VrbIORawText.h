// The raw byte stream over one local file.
#pragma once

#include <cstdint>

#include "hx/hx_fio.h"
#include "vrbaseio_core/VrbIORaw.h"
#include "vrbclass/VrbString.h"

class VrbIORawText final : public VrbIORaw {
public:
    explicit VrbIORawText(const VrbString& path) noexcept;
    // Shorter than the path given when the copy could not be allocated.
    unsigned pathLength() const noexcept { return filePath.length(); }

    bool close() override;
    int read(char** data, int minBytes, int maxBytes) override;
    VrbString errorText() override;
    VrbString path() override;
    bool open(int openMode, int flags, int* bufferSize, int* encoding) override;
    int write(const char* data, int length) override;
    void destroy() override;
    std::int64_t size() override;
    std::int64_t skip(std::int64_t count) override;
    int defaultEncoding() override;

private:
    ~VrbIORawText();
    VrbIORawText(const VrbIORawText&) = delete;
    VrbIORawText& operator=(const VrbIORawText&) = delete;

    bool isDirectory() const;
    int chooseBufferSize(int flags) const;

    hx_file_t fileHandle = nullptr;
    VrbString filePath;
    int bufferSize = 0;
    VrbString lastError;
    // bufferSize bytes of data and kRawReadPadding zero bytes after them.
    char* readBuffer = nullptr;
    int readLength = 0;
};
