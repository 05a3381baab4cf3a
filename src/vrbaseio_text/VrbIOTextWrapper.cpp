// Open, buffers, close and the small operations of the text file.
#include "vrbaseio_text/VrbIOTextWrapper.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include "hx/hx_uchar.h"
#include "hx/hx_uchar_detect.h"
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

struct ByteOrderMark {
    int encoding;
    unsigned char bytes[4];
    int length;
    bool detected;   // reading takes the encoding from it (UCS-2 is never detected)
};
// Marks written at open, and read in this order.
constexpr ByteOrderMark kMarks[] = {
    {HX_ENC_UTF8, {0xEF, 0xBB, 0xBF}, 3, true},   {HX_ENC_UTF16BE, {0xFE, 0xFF, 0}, 2, true},
    {HX_ENC_UCS2BE, {0xFE, 0xFF, 0}, 2, false},   {HX_ENC_UTF16LE, {0xFF, 0xFE, 0}, 2, true},
    {HX_ENC_UCS2LE, {0xFF, 0xFE, 0}, 2, false},
};
// A UTF-32 mark starts with a UTF-16 one (FF FE 00 00), so it is taken only
// when the caller asked for its encoding.
constexpr ByteOrderMark kWideMarks[] = {
    {HX_ENC_UTF32BE, {0x00, 0x00, 0xFE, 0xFF}, 4, true},
    {HX_ENC_UTF32LE, {0xFF, 0xFE, 0x00, 0x00}, 4, true},
};

constexpr int kNextLine = 0x85;   // NEL
// The most bytes encoding detection looks at.
constexpr int kDetectionSample = 64 * 1024;

bool leadsChunk(vrb::text::InputCursor& input, const ByteOrderMark& mark) {
    return input.chunkSizeHeld() >= mark.length &&
           std::memcmp(input.chunkBytes(), mark.bytes, static_cast<std::size_t>(mark.length)) == 0;
}

// Whether `bytes` read back as NEL alone.
bool writesNel(int encodingId, const char* bytes, int length) {
    char padded[32] = {};
    if (length < 1 || length > 16) return false;
    std::memcpy(padded, bytes, static_cast<std::size_t>(length));
    int scanned = 0;
    return hx_uchar_chscan(encodingId, padded, &scanned) == kNextLine && scanned == length;
}

}  // namespace

VrbIOTextWrapper::VrbIOTextWrapper(VrbIO* owner, VrbIORaw* raw, int openMode, int encoding, int flags) noexcept
    : owner(owner), raw(raw), openMode(openMode), encodingId(encoding), flags(static_cast<std::uint32_t>(flags)) {}

// A write open truncates or creates the file: whatever can refuse the open
// is settled before the raw stream opens, the stream's default encoding
// included.
bool VrbIOTextWrapper::open() {
    if (!raw) {
        lastError = VRB_MESSAGE(kLabelText, 1663, "RawIO");
        return false;
    }
    if (encodingId < 0) encodingId = raw->defaultEncoding();
    const bool writes = openMode != VrbTxtFileRead && !(flags & VRB_TXT_CHECK_ONLY);
    if (writes && (!takeEncoding() || !prepareNewlineAndPad())) return false;
    if (!openRaw() || !detectByteOrderMark() || !detectEncoding()) return false;
    if (!writes) return takeEncoding();
    // Appending to a file that holds text: a mark there would be text.
    const std::int64_t existing = openMode == VrbTxtFileAppend ? raw->size() : 0;
    if (!openOutput() || (existing == 0 && !writeByteOrderMark())) return false;
    if (openMode == VrbTxtFileAppend) output.startAt(existing);
    return true;
}

bool VrbIOTextWrapper::openRaw() {
    if (detects() && bufferSize < kDetectionSample) bufferSize = kDetectionSample;
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
    if (openMode != VrbTxtFileRead || !(flags & VRB_TXT_DETECT_BOM) || detects()) return true;
    const ByteOrderMark* wide = nullptr;
    for (const ByteOrderMark& mark : kWideMarks) {
        if (mark.encoding == encodingId) wide = &mark;
    }
    int failure = 0;
    if (!input.fetch(wide ? 4 : 3, 0, &failure)) {
        lastError = VRB_MESSAGE(kLabelText, 472, raw->path().asCstr(), raw->errorText().asCstr());
        return false;
    }
    const ByteOrderMark* found = wide && leadsChunk(input, *wide) ? wide : nullptr;
    for (const ByteOrderMark& mark : kMarks) {
        if (!found && mark.detected && leadsChunk(input, mark)) found = &mark;
    }
    if (found) {
        encodingId = found->encoding;
        bomLength = found->length;
        input.dropMark(found->length);
    }
    return true;
}

bool VrbIOTextWrapper::detects() const {
    return openMode == VrbTxtFileRead && (flags & VRB_TXT_DETECT_ENCODING) != 0;
}

// Reading with encoding detection: the first chunk is the sample; it stays
// in place for reading, a mark dropped.
bool VrbIOTextWrapper::detectEncoding() {
    if (!detects()) return true;
    int failure = 0;
    if (!input.fetch(std::min(bufferSize, kDetectionSample), 0, &failure)) {
        lastError = VRB_MESSAGE(kLabelText, 472, raw->path().asCstr(), raw->errorText().asCstr());
        return false;
    }
    const int sample = std::min(input.chunkSizeHeld(), kDetectionSample);
    int mark = 0;
    encodingId = hx_uchar_detect(reinterpret_cast<const char*>(input.chunkBytes()), sample, encodingId, nullptr, &mark);
    if (mark > 0) {
        bomLength = mark;
        input.dropMark(mark);
    }
    return true;
}

bool VrbIOTextWrapper::takeEncoding() {
    if (!hx_uchar_encname(encodingId)) {
        lastError = VRB_MESSAGE(kLabelText, 1491, encodingId);
        return false;
    }
    traits = vrb::text::EncodingTraits::of(encodingId);
    input.setEncoding(encodingId, traits);
    return true;
}

// The newline the flags choose (the highest bit wins; without one, NEL
// where it is the encoding's convention, CR LF elsewhere) and the pad
// character, each in the file's encoding.
bool VrbIOTextWrapper::prepareNewlineAndPad() {
    int newline[2] = {vrb::text::kCarriageReturn, vrb::text::kLineFeed};
    int newlineCount = 2;
    if (flags & VRB_TXT_NEWLINE_CR) {
        newlineCount = 1;
    } else if (flags & VRB_TXT_NEWLINE_CRLF) {
        // CR LF, as set above
    } else if (flags & VRB_TXT_NEWLINE_LF) {
        newline[0] = vrb::text::kLineFeed;
        newlineCount = 1;
    } else if ((flags & VRB_TXT_NEWLINE_NEL) || traits.nelNewline) {
        newline[0] = kNextLine;
        newlineCount = 1;
    }
    char newlineBytes[16];
    int newlineLength = 0;
    if (!encodeNewline(newline, newlineCount, newlineBytes, &newlineLength)) return false;
    output.setNewline(newlineBytes, newlineLength);
    if (encodingId == HX_ENC_UTF8) {
        output.setPad(" ", 1);
    } else {
        const char space[2] = {' ', 0};
        char pad[16];
        output.setPad(pad, hx_uchar_decode(encodingId, space, pad, 16));
    }
    return true;
}

// `count` characters into bytes[16]: the internal form's own bytes in
// UTF-8, so that NEL keeps its two-byte form there and reads back as a
// line end.
bool VrbIOTextWrapper::encodeNewline(const int* newline, int count, char* bytes, int* length) {
    char text[16];
    int used = 0;
    for (int i = 0; i < count; ++i) used += hx_uchar_intcopy(newline[i], text + used, 15 - used);
    text[used] = 0;
    std::memcpy(newlineText, text, static_cast<std::size_t>(used));
    newlineTextLength = used;
    if (encodingId == HX_ENC_UTF8) {
        std::memcpy(bytes, text, static_cast<std::size_t>(used));
        *length = used;
        return true;
    }
    *length = hx_uchar_decode(encodingId, text, bytes, 16);
    if (newline[0] == kNextLine && !writesNel(encodingId, bytes, *length)) {
        // The encoding's substitute would join every line into one.
        lastError = VRB_MESSAGE(kLabelText, 1492, hx_uchar_encname(encodingId));
        return false;
    }
    return true;
}

// The output buffer takes the capacity a line buffer of the stream's
// buffer size would have.
bool VrbIOTextWrapper::openOutput() {
    int capacity = 0;
    if (!bufferCapacity(bufferSize, &capacity)) return false;
    if (capacity > 0 && !output.open(raw, capacity)) {
        lastError = VRB_MESSAGE(kLabelText, 29, "(Text file read buffer)");
        return false;
    }
    return true;
}

bool VrbIOTextWrapper::writeByteOrderMark() {
    if (!(flags & VRB_TXT_WRITE_BOM)) return true;
    for (const ByteOrderMark& mark : kMarks) {
        if (mark.encoding != encodingId) continue;
        bomLength = mark.length;
        return output.appendMark(reinterpret_cast<const char*>(mark.bytes), mark.length) || outputFailed();
    }
    return true;
}

// Capacity is a multiple of 1024. Encodings whose characters grow when
// decoded get one spare byte for the terminating zero.
bool VrbIOTextWrapper::bufferCapacity(std::int64_t size, int* capacity) {
    if (traits.maxInternalSize > 1 && size > 1) size += 1;
    const std::int64_t rounded = size <= 0 ? 0 : ((size + 1023) & ~std::int64_t{1023});
    if (rounded > INT_MAX) {
        lastError = VRB_MESSAGE(kLabelText, 1513);
        return false;
    }
    *capacity = static_cast<int>(rounded);
    return true;
}

// The line buffer never shrinks.
bool VrbIOTextWrapper::growLineBuffer(std::int64_t size, int keep) {
    int capacity = 0;
    if (!bufferCapacity(size, &capacity)) return false;
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
    lineBufferSize = capacity;
    return true;
}

// A stream that took nothing has no error text of its own.
bool VrbIOTextWrapper::outputFailed() {
    lastError = output.streamFailed() ? raw->errorText()
                                      : VRB_MESSAGE(kLabelText, 1008, raw->path().asCstr(), kStreamTookNothing);
    return false;
}

bool VrbIOTextWrapper::close() {
    if (!raw) return true;
    // A stateful set's file ends in the initial state.
    if (traits.stateful && output.isOpen() && !returnToInitialState()) {
        raw->close();
        return false;
    }
    if (!output.finish()) {
        outputFailed();
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
std::int64_t VrbIOTextWrapper::tell() {
    return (openMode == VrbTxtFileRead ? input.position() : output.position()) + bomLength;
}

bool VrbIOTextWrapper::refuse() {
    lastError = VRB_MESSAGE(kLabelText, 336);
    return true;
}
