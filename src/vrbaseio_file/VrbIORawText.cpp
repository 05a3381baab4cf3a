#include "vrbaseio_file/VrbIORawText.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "hx/hx_dir.h"
#include "hx/hx_lcinfo.h"
#include "hx/hx_uchar.h"
#include "vrbaseio/VrbIO.h"
#include "vrbaseio_core/source_labels.h"
#include "vrbaseio_file/local_backend.h"
#include "vrbclass/vrb_message.h"

namespace {

// Buffer size of an open that only checks access: nothing is ever read.
constexpr int kCheckOnlyBufferSize = 8192;
// Used when the file layer's choice is unusable (not above 0).
constexpr int kFallbackBufferSize = 64 * 1024;

// Open bytes of the file layer for the open modes append, read and write.
constexpr unsigned char kAppendOpenByte = HX_FIO_WRITE | HX_FIO_CREATE | HX_FIO_SHARE;
constexpr unsigned char kReadOpenByte = HX_FIO_READ | HX_FIO_SHARE;
constexpr unsigned char kWriteOpenByte = kAppendOpenByte | HX_FIO_TRUNCATE;
static_assert(kAppendOpenByte == 14 && kReadOpenByte == 9 && kWriteOpenByte == 78);

}  // namespace

VrbIORaw* createLocalRawStream(VrbIO* /*owner*/, const BackendTarget& target, VrbString* error) {
    auto* stream = new (std::nothrow) VrbIORawText(target.path);
    // A path copy that came out short is an allocation that failed.
    if (stream && stream->pathLength() != target.path.length()) {
        stream->destroy();
        stream = nullptr;
    }
    if (!stream && error) *error = VRB_MESSAGE(kLabelFile, 444);
    return stream;
}

VrbIORawText::VrbIORawText(const VrbString& path) noexcept : filePath(path) {}

VrbIORawText::~VrbIORawText() {
    if (fileHandle) hx_fio_close(fileHandle);
    delete[] readBuffer;
}

void VrbIORawText::destroy() { delete this; }

bool VrbIORawText::isDirectory() const {
    hx_dir_t directory = nullptr;
    if (hx_dir_open(filePath.asCstr(), HX_DIR_FILES_ONLY | HX_DIR_STAT, &directory) != HX_DIR_OK) return false;
    hx_dir_close(directory);
    return true;
}

int VrbIORawText::chooseBufferSize(int flags) const {
    if (flags & VRB_TXT_CHECK_ONLY) return kCheckOnlyBufferSize;
    int chosen = hx_fio_bufsize(fileHandle, -1);
    return chosen > 0 ? chosen : kFallbackBufferSize;
}

bool VrbIORawText::open(int openMode, int flags, int* bufferSizeInOut, int* encoding) {
    bufferSize = *bufferSizeInOut;
    if (isDirectory()) {
        lastError = VRB_MESSAGE(kLabelFile, 1353, filePath.asCstr(), "Path is a directory");
        return false;
    }
    unsigned char openByte;
    switch (openMode) {
        case VrbTxtFileAppend: openByte = kAppendOpenByte; break;
        case VrbTxtFileRead: openByte = kReadOpenByte; break;
        case VrbTxtFileWrite: openByte = kWriteOpenByte; break;
        default:
            lastError = VRB_MESSAGE(kLabelFile, 728);
            return false;
    }
    const bool checkOnly = (flags & VRB_TXT_CHECK_ONLY) != 0;
    if (checkOnly) openByte |= HX_FIO_CHECK;

    // A second open must not leak what the first one took.
    close();
    delete[] readBuffer;
    readBuffer = nullptr;

    int code = hx_fio_open(filePath.asCstr(), openByte, &fileHandle);
    if (code != 0) {
        const char* description = hx_fio_errdesc(code);
        lastError = description ? VRB_MESSAGE(kLabelFile, 1353, filePath.asCstr(), description)
                                : VRB_MESSAGE(kLabelFile, 1352, filePath.asCstr(), code);
        return false;
    }

    // A negative size from the caller is as unusable as none: the stream
    // chooses, and says what it chose.
    if (bufferSize <= 0) {
        bufferSize = chooseBufferSize(flags);
        *bufferSizeInOut = bufferSize;
    }

    if (!checkOnly) {
        if (openMode == VrbTxtFileAppend) {
            std::int64_t end = hx_fio_seek64(fileHandle, 0, 2);
            if (end < 0) {
                lastError = VRB_MESSAGE(kLabelFile, 654, static_cast<int>(static_cast<std::uint32_t>(end)));
                return false;
            }
        } else if (openMode == VrbTxtFileRead) {
            readBuffer = new (std::nothrow) char[static_cast<std::size_t>(bufferSize) + kRawReadPadding];
            if (!readBuffer) {
                lastError = VRB_MESSAGE(kLabelFile, 444);
                return false;
            }
        }
    }

    if (*encoding < 0) *encoding = defaultEncoding();
    return true;
}

int VrbIORawText::defaultEncoding() {
    char charset[64] = {};
    hx_lcinfo_text_charset(charset, static_cast<int>(sizeof charset));
    charset[sizeof charset - 1] = '\0';
    return hx_uchar_getenc(charset);
}

int VrbIORawText::read(char** data, int minBytes, int /*maxBytes: one read fills at most the buffer*/) {
    readLength = 0;
    if (!readBuffer) {
        lastError = VRB_MESSAGE(kLabelFile, 336);
        return -1;
    }
    for (;;) {
        int got = hx_fio_getb(fileHandle, readBuffer + readLength, bufferSize - readLength);
        if (got < 0) {
            lastError = VRB_MESSAGE(kLabelFile, 1007, hx_fio_syserr(fileHandle));
            // Whatever still points at the buffer now sees no data.
            std::memset(readBuffer, 0, kRawReadPadding);
            return -1;
        }
        if (got == 0) break;
        readLength += got;
        if (readLength >= minBytes) break;
    }
    std::memset(readBuffer + readLength, 0, kRawReadPadding);
    *data = readBuffer;
    return readLength;
}

int VrbIORawText::write(const char* data, int length) {
    if (!fileHandle) {
        lastError = VRB_MESSAGE(kLabelFile, 336);
        return -1;
    }
    int written = hx_fio_putb(fileHandle, data, length);
    if (written < 0) lastError = VRB_MESSAGE(kLabelFile, 1008, filePath.asCstr(), hx_fio_syserr(fileHandle));
    return written;
}

std::int64_t VrbIORawText::skip(std::int64_t count) {
    if (hx_fio_seek64(fileHandle, count, 1) < 0) {
        lastError = VRB_MESSAGE(kLabelFile, 654, hx_fio_syserr(fileHandle));
        return -1;
    }
    return count;
}

std::int64_t VrbIORawText::size() {
    hx_fio_stat_t status;
    return hx_fio_stat64(filePath.asCstr(), &status) == 0 ? status.size : 0;
}

bool VrbIORawText::close() {
    if (fileHandle) {
        hx_fio_close(fileHandle);
        fileHandle = nullptr;
    }
    return true;
}

VrbString VrbIORawText::errorText() { return lastError; }

VrbString VrbIORawText::path() { return filePath; }
