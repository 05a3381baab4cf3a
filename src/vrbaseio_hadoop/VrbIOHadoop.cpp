#include "vrbaseio_hadoop/VrbIOHadoop.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "hx/hx_uchar.h"
#include "vrbaseio_core/source_labels.h"
#include "vrbaseio_hadoop/hadoop_backend.h"
#include "vrbaseio_hadoop/hadoop_connect.h"
#include "vrbclass/VrbTxtFile.h"
#include "vrbclass/vrb_message.h"

namespace {
constexpr int kDefaultBufferSize = 16384;
constexpr const char* kBufferLabel = "(Hadoop Raw IO Buffer)";
}  // namespace

VrbIORaw* createHadoopRawStream(VrbIO*, const BackendTarget& target, VrbString* error) {
    VrURI* uri = copyHadoopUri(target.uri, error);
    if (!uri) return nullptr;
    auto* stream = new (std::nothrow) VrbIOHadoop(uri);
    if (!stream) {
        *error = VRB_MESSAGE(kLabelHadoop, 444);
        uri->release();
    }
    return stream;
}

bool VrbIOHadoop::open(int mode, int flags, int* requestedBufferSize, int* encoding) {
    openMode = mode;
    bufferSize = *requestedBufferSize;
    if (*requestedBufferSize == 0) {
        int named = 0;
        // A size the URI names must be positive, or writes could never
        // fill a block.
        bufferSize = uri->bufferSize(&named) && named > 0 ? named : kDefaultBufferSize;
        *requestedBufferSize = bufferSize;
    }
    if (!connectHadoop(uri, &hadoop, &connection, &fileSystem, &lastError)) return false;
    filePath = uri->path();
    hadoopFile = fileSystem->openFile(0, filePath, openMode, flags, bufferSize, &lastError);
    if (!hadoopFile) return false;
    if (*encoding < 0) *encoding = defaultEncoding();
    return true;
}

// Hadoop files carry no locale.
int VrbIOHadoop::defaultEncoding() { return HX_ENC_UTF8; }

int VrbIOHadoop::read(char** data, int minBytes, int maxBytes) {
    // A caller's minimum outweighs its maximum: a URI's buffersize below the
    // text layer's minimum (3 bytes for a byte-order mark) must not cut the
    // mark short and hand it out as text.
    maxBytes = std::max(maxBytes, minBytes);
    bufferedLength = 0;
    int total = 0;
    char* piece = nullptr;
    while (total < maxBytes) {
        int n = hadoopFile->read(0, &piece, maxBytes - total, &lastError);
        if (n < 0) return n;
        if (n == 0) break;
        if (n < minBytes || bufferedLength > 0) {
            if (total == 0 && (!buffer || maxBytes > bufferSize)) {
                delete[] buffer;
                // Gathered data keeps the same zero padding as the library's.
                buffer = new (std::nothrow) char[static_cast<std::size_t>(maxBytes) + kRawReadPadding];
                if (!buffer) {
                    lastError = VRB_MESSAGE(kLabelHadoop, 29, kBufferLabel);
                    return -1;
                }
                bufferSize = maxBytes;
            }
            std::memcpy(buffer + bufferedLength, piece, static_cast<std::size_t>(n));
            bufferedLength += n;
        }
        total += n;
        if (total >= minBytes) break;
    }
    if (bufferedLength > 0) {
        std::memset(buffer + bufferedLength, 0, kRawReadPadding);
        *data = buffer;
    } else {
        *data = piece;
    }
    return total;
}

bool VrbIOHadoop::handOver(VrbString* error) {
    if (!hadoopFile->write(0, buffer, bufferedLength, error)) return false;
    bufferedLength = 0;
    return true;
}

int VrbIOHadoop::write(const char* data, int length) {
    if (!buffer) {
        buffer = new (std::nothrow) char[static_cast<std::size_t>(bufferSize)];
        if (!buffer) {
            lastError = VRB_MESSAGE(kLabelHadoop, 29, kBufferLabel);
            return -1;
        }
    }
    if (length == 0) return 0;
    int taken = 0;
    while (taken < length) {
        int n = std::min(bufferSize - bufferedLength, length - taken);
        std::memcpy(buffer + bufferedLength, data + taken, static_cast<std::size_t>(n));
        bufferedLength += n;
        taken += n;
        if (bufferedLength == bufferSize && !handOver(&lastError)) return -1;
    }
    return length;
}

bool VrbIOHadoop::close() {
    if (!hadoopFile) return true;
    if (openMode != VrbTxtFileRead && bufferedLength > 0) {
        VrbString scratch;
        if (!lastError.empty()) {
            // An earlier failure already lost the order of the data: the
            // buffered bytes are dropped, and that is no success.
            bufferedLength = 0;
            hadoopFile->close(&scratch);
            return false;
        }
        if (!handOver(&lastError)) {
            hadoopFile->close(&scratch);
            return false;
        }
    }
    return hadoopFile->close(&lastError);
}

std::int64_t VrbIOHadoop::size() { return hadoopFile->size(); }

std::int64_t VrbIOHadoop::skip(std::int64_t count) {
    if (count <= 0) return 0;
    std::int64_t done = 0;
    while (done < count) {
        std::int64_t remaining = count - done;
        int step = remaining <= INT_MAX ? static_cast<int>(std::min<std::int64_t>(remaining, bufferSize)) : bufferSize;
        char* scratch = nullptr;
        int k = read(&scratch, 0, step);
        if (k < 0) return -1;
        if (k == 0) return 0;
        done += k;
    }
    return done;
}

void VrbIOHadoop::destroy() {
    delete[] buffer;
    buffer = nullptr;
    if (hadoop) {
        if (hadoopFile) hadoopFile->release();
        if (fileSystem) fileSystem->release();
        if (connection) connection->release();
        hadoop->release();
    }
    uri->release();
    delete this;
}
