// Open, buffers, close and the small operations of the text file.
#include "vrbaseio_text/VrbIOTextWrapper.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include "hx/hx_uchar.h"
#include "vrbaseio/VrbIO.h"
#include "vrbaseio_core/source_labels.h"
#include "vrbclass/vrb_message.h"

namespace {

// The system code for a stream that takes nothing: an I/O error, in the
// platform's own numbering (the message shows the system's text for it).
#if defined(_WIN32)
constexpr int kStreamTookNothing = 29;   // ERROR_WRITE_FAULT
#else
constexpr int kStreamTookNothing = EIO;
#endif

constexpr int kModeAppend = 0;
constexpr int kModeRead = 1;

struct ByteOrderMark {
    int encoding;
    unsigned char bytes[3];
    int length;
    bool detected;   // reading takes the encoding from it (UCS-2 is never detected)
};
// Marks written at open, and read in this order.
constexpr ByteOrderMark kMarks[] = {
    {HX_ENC_UTF8, {0xEF, 0xBB, 0xBF}, 3, true},   {HX_ENC_UTF16BE, {0xFE, 0xFF, 0}, 2, true},
    {HX_ENC_UCS2BE, {0xFE, 0xFF, 0}, 2, false},   {HX_ENC_UTF16LE, {0xFF, 0xFE, 0}, 2, true},
    {HX_ENC_UCS2LE, {0xFF, 0xFE, 0}, 2, false},
};

// Bytes of one code unit: what the properties say ASCII characters take.
int codeUnitOf(int properties) {
    if (properties & (HX_PROP_ASCII_U32LE | HX_PROP_ASCII_U32BE)) return 4;
    if (properties & (HX_PROP_ASCII_U16LE | HX_PROP_ASCII_U16BE)) return 2;
    return 1;
}

// Whether `bytes` read back as NEL alone.
bool writesNel(int encodingId, const char* bytes, int length) {
    char padded[32] = {};
    if (length < 1 || length > 16) return false;
    std::memcpy(padded, bytes, static_cast<std::size_t>(length));
    int scanned = 0;
    return hx_uchar_chscan(encodingId, padded, &scanned) == 0x85 && scanned == length;
}

}  // namespace

VrbIOTextWrapper::VrbIOTextWrapper(VrbIOImpl* owner, VrbIORaw* raw, int openMode, int encoding, int flags) noexcept
    : owner(owner), raw(raw), openMode(openMode), encodingId(encoding), flags(static_cast<std::uint32_t>(flags)) {}

bool VrbIOTextWrapper::open() {
    if (!openRaw() || !detectByteOrderMark() || !takeEncodingProperties()) return false;
    if (openMode == kModeRead || (flags & VRB_TXT_CHECK_ONLY)) return true;
    if (!prepareNewlineAndPad() || !growLineBuffer(bufferSize, 0) || !writeByteOrderMark()) return false;
    if (openMode == kModeAppend) position = raw->size();
    return true;
}

bool VrbIOTextWrapper::openRaw() {
    if (!raw) {
        lastError = VRB_MESSAGE(kLabelText, 1663, "RawIO");
        return false;
    }
    if (!raw->open(openMode, static_cast<int>(flags), &bufferSize, &encodingId)) {
        lastError = raw->errorText();
        return false;
    }
    input.attach(raw, bufferSize);
    return true;
}

// Reading with detection: the first chunk, of at least the longest mark,
// decides; it stays in place for reading, the mark dropped.
bool VrbIOTextWrapper::detectByteOrderMark() {
    if (openMode != kModeRead || !(flags & VRB_TXT_DETECT_BOM)) return true;
    int failure = 0;
    if (!input.fetch(3, 0, &failure)) {
        lastError = VRB_MESSAGE(kLabelText, 472, raw->path().asCstr(), raw->errorText().asCstr());
        return false;
    }
    const unsigned char* bytes = input.chunkBytes();
    for (const ByteOrderMark& mark : kMarks) {
        if (!mark.detected || input.chunkSizeHeld() < mark.length) continue;
        if (std::memcmp(bytes, mark.bytes, static_cast<std::size_t>(mark.length)) != 0) continue;
        encodingId = mark.encoding;
        bomLength = mark.length;
        input.dropMark(mark.length);
        break;
    }
    return true;
}

bool VrbIOTextWrapper::takeEncodingProperties() {
    if (!hx_uchar_encname(encodingId)) {
        lastError = VRB_MESSAGE(kLabelText, 1491, encodingId);
        return false;
    }
    properties = hx_uchar_encprop(encodingId);
    maxExtCharSize = hx_uchar_xcsize_max(encodingId);
    maxCharSize = hx_uchar_chsize_max(encodingId);
    if (maxCharSize < 1) maxCharSize = 1;
    if (maxCharSize > 15) maxCharSize = 15;   // the join area holds 15 bytes and a zero
    input.setEncoding(encodingId, maxCharSize, codeUnitOf(properties),
                      (properties & (HX_PROP_ASCII_U16BE | HX_PROP_ASCII_U32BE)) != 0);
    bulk = bulkFor(properties, maxCharSize);
    return true;
}

// The newline the flags choose (the highest bit wins; without one, NEL
// where it is the encoding's convention, CR LF elsewhere), the pad
// character, and U+0000, each in the file's encoding.
bool VrbIOTextWrapper::prepareNewlineAndPad() {
    int newline[2] = {0x0D, 0x0A};
    int newlineCount = 2;
    if (flags & VRB_TXT_NEWLINE_CR) {
        newlineCount = 1;
    } else if (flags & VRB_TXT_NEWLINE_CRLF) {
        // CR LF, as set above
    } else if (flags & VRB_TXT_NEWLINE_LF) {
        newline[0] = 0x0A;
        newlineCount = 1;
    } else if ((flags & VRB_TXT_NEWLINE_NEL) || (properties & HX_PROP_NEL_NEWLINE)) {
        newline[0] = 0x85;
        newlineCount = 1;
    }

    if (encodingId == HX_ENC_UTF8) {
        // Written directly: NEL needs its two-byte form, or reading the file
        // back would not find the line end.
        newlineLength = 0;
        for (int i = 0; i < newlineCount; ++i) {
            if (newline[i] == 0x85) {
                newlineBytes[newlineLength++] = static_cast<char>(0xC2);
                newlineBytes[newlineLength++] = static_cast<char>(0x85);
            } else {
                newlineBytes[newlineLength++] = static_cast<char>(newline[i]);
            }
        }
        padBytes[0] = ' ';
        padLength = 1;
    } else {
        char scratch[16];
        int used = 0;
        for (int i = 0; i < newlineCount; ++i) used += hx_uchar_intcopy(newline[i], scratch + used, 15 - used);
        scratch[used] = 0;
        newlineLength = hx_uchar_decode(encodingId, scratch, newlineBytes, 16);
        const char space[2] = {' ', 0};
        padLength = hx_uchar_decode(encodingId, space, padBytes, 16);
        if (newline[0] == 0x85 && !writesNel(encodingId, newlineBytes, newlineLength)) {
            // The encoding's substitute would join every line into one.
            lastError = VRB_MESSAGE(kLabelText, 1492, hx_uchar_encname(encodingId));
            return false;
        }
    }
    // U+0000 is the zero code unit in every encoding the layer knows; the
    // encoder takes zero-terminated text and cannot write it.
    zeroLength = codeUnitOf(properties);
    return true;
}

bool VrbIOTextWrapper::writeByteOrderMark() {
    if (!(flags & VRB_TXT_WRITE_BOM)) return true;
    for (const ByteOrderMark& mark : kMarks) {
        if (mark.encoding != encodingId) continue;
        bomLength = mark.length;
        return appendBytes(reinterpret_cast<const char*>(mark.bytes), mark.length, false);
    }
    return true;
}

// Capacity is a multiple of 1024 and never shrinks. Encodings whose
// characters grow when decoded get one spare byte for the terminating zero.
bool VrbIOTextWrapper::growLineBuffer(std::int64_t size, int keep) {
    if (maxExtCharSize > 1 && size > 1) size += 1;
    std::int64_t capacity = size <= 0 ? 0 : ((size + 1023) & ~std::int64_t{1023});
    if (capacity > INT_MAX) {
        lastError = VRB_MESSAGE(kLabelText, 1513);
        return false;
    }
    if (capacity <= lineBufferSize) return true;
    if (keep == 0 && lineBuffer) {
        delete[] lineBuffer;
        lineBuffer = nullptr;
        lineBufferSize = 0;
    }
    char* grown = new (std::nothrow) char[static_cast<std::size_t>(capacity)];
    if (!grown) {
        delete[] lineBuffer;
        lineBuffer = nullptr;
        lineBufferSize = 0;
        lastError = VRB_MESSAGE(kLabelText, 29, "(Text file read buffer)");
        return false;
    }
    if (lineBuffer) {
        std::memcpy(grown, lineBuffer, static_cast<std::size_t>(keep) + 1);
        delete[] lineBuffer;
    }
    lineBuffer = grown;
    lineBufferSize = static_cast<int>(capacity);
    return true;
}

bool VrbIOTextWrapper::appendBytes(const char* bytes, int length, bool advancePosition) {
    if (length > lineBufferSize - lineLength && !flushOutput()) return false;
    std::memcpy(lineBuffer + lineLength, bytes, static_cast<std::size_t>(length));
    lineLength += length;
    if (advancePosition) position += length;
    return true;
}

// A raw stream may take part of what it is given; the rest goes again
// until everything is taken. One that takes nothing has failed. On failure
// the buffer keeps exactly what was not taken, so that a later flush sends
// no byte twice and none is dropped unreported.
bool VrbIOTextWrapper::flushOutput() {
    int done = 0;
    while (done < lineLength) {
        const int taken = raw->write(lineBuffer + done, lineLength - done);
        if (taken <= 0) {
            lastError = taken < 0 ? raw->errorText() : VRB_MESSAGE(kLabelText, 1008, raw->path().asCstr(), kStreamTookNothing);
            std::memmove(lineBuffer, lineBuffer + done, static_cast<std::size_t>(lineLength - done));
            lineLength -= done;
            return false;
        }
        done += std::min(taken, lineLength - done);
    }
    lineLength = 0;
    return true;
}

bool VrbIOTextWrapper::close() {
    if (!raw) return true;
    bool flushFailed = false;
    if (openMode != kModeRead && lineLength > 0) {
        flushFailed = !flushOutput();
        lineLength = 0;
    }
    if (flushFailed) {
        raw->close();
        return false;
    }
    if (!raw->close()) {
        lastError = raw->errorText();
        return false;
    }
    return true;
}

void VrbIOTextWrapper::destroy() {
    if (raw) {
        close();
        raw->destroy();
        raw = nullptr;
    }
    delete[] lineBuffer;
    lineBuffer = nullptr;
    delete this;
}

int VrbIOTextWrapper::encoding() { return encodingId; }
VrbString VrbIOTextWrapper::errorText() { return lastError; }
std::int64_t VrbIOTextWrapper::size() { return raw ? raw->size() : 0; }
std::int64_t VrbIOTextWrapper::tell() { return (openMode == kModeRead ? input.position() : position) + bomLength; }

bool VrbIOTextWrapper::refuse() {
    lastError = VRB_MESSAGE(kLabelText, 336);
    return true;
}
