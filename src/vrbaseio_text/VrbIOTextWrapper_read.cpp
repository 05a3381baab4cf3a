// Reading: the engine shared by the four read operations, skipping and seeking.
#include <algorithm>
#include <climits>
#include <cstring>

#include "hx/hx_uchar.h"
#include "vrbaseio/VrbIO.h"
#include "vrbaseio/source_labels.h"
#include "vrbaseio_text/VrbIOTextWrapper.h"
#include "vrbaseio_text/ascii_runs.h"
#include "vrbaseio_text/utf8_sequence.h"
#include "vrbclass/vrb_message.h"

namespace {

constexpr int kLineState_Text = 0;
constexpr int kLineState_Ended = 1;
constexpr int kLineState_EndedBeforeNext = 2;
constexpr int kLineState_AfterCR = 3;

constexpr int kReplacement = 0xFFFD;
constexpr int kJoinCapacity = 15;

bool endsLine(int code) {
    return code == 0x0A || code == 0x0C || code == 0x85 || code == 0x2028 || code == 0x2029;
}

}  // namespace

bool VrbIOTextWrapper::fetchChunk(int rawMaximum, int* failure) {
    int count = raw->read(&chunk, 0, std::max(bufferSize, rawMaximum));
    if (count < 0) {
        lastError = raw->errorText();
        // The stream's memory is no longer ours to scan; the next read asks afresh.
        chunk = nullptr;
        chunkLength = 0;
        chunkOffset = 0;
        *failure = count;
        return false;
    }
    chunkLength = count;
    chunkOffset = 0;
    return true;
}

// Finds the next character without consuming it. A character that may
// continue beyond the current chunk moves its bytes to pendingBytes, and
// later chunks are joined behind them until the scanner can decide; so a
// character split over any number of chunks reads as it would in one.
VrbIOTextWrapper::Take VrbIOTextWrapper::takeCharacter(int rawMaximum, Scanned* next, int* failure) {
    for (;;) {
        if (!chunk && !fetchChunk(rawMaximum, failure)) return Take::Failed;
        const bool endOfFile = chunkLength == 0;
        int code;
        int length = 0;
        int available;
        if (pendingLength == 0) {
            if (endOfFile) return Take::EndOfFile;
            available = chunkLength - chunkOffset;
            code = hx_uchar_chscan(encodingId, chunk + chunkOffset, &length);
        } else {
            int fromChunk = endOfFile ? 0 : std::min(kJoinCapacity - pendingLength, chunkLength - chunkOffset);
            char join[kJoinCapacity + kRawReadPadding] = {};
            std::memcpy(join, pendingBytes, static_cast<std::size_t>(pendingLength));
            std::memcpy(join + pendingLength, chunk + chunkOffset, static_cast<std::size_t>(fromChunk));
            available = pendingLength + fromChunk;
            code = hx_uchar_chscan(encodingId, join, &length);
        }
        if (length < 1) length = 1;

        const bool complete = code >= 0 && length <= available;
        // A scan that failed on fewer bytes than the longest character may
        // have looked at the zero padding, so only more data can decide it.
        if (complete || endOfFile || available >= maxCharSize) {
            next->malformed = !complete;
            next->code = complete ? code : kReplacement;
            next->length = std::min(length, available);
            if (complete && code == 0) {
                if (!(flags & VRB_TXT_NUL_AS_FFFD)) {
                    lastError = VRB_MESSAGE(kLabelText, 728);
                    *failure = -1;
                    return Take::Failed;
                }
                next->code = kReplacement;
            }
            return Take::Character;
        }

        // The character may continue in the next chunk.
        int rest = chunkLength - chunkOffset;
        std::memcpy(pendingBytes + pendingLength, chunk + chunkOffset, static_cast<std::size_t>(rest));
        pendingLength += rest;
        chunkOffset = chunkLength;
        chunk = nullptr;
    }
}

void VrbIOTextWrapper::consumeWithPending(int length) {
    position += length;
    int fromPending = std::min(length, pendingLength);
    if (fromPending > 0) {
        pendingLength -= fromPending;
        std::memmove(pendingBytes, pendingBytes + fromPending, static_cast<std::size_t>(pendingLength));
        length -= fromPending;
    }
    if (length > 0) {
        chunkOffset += length;
        if (chunkOffset >= chunkLength) chunk = nullptr;
    }
}

// Stores one character in the internal form, growing the buffer
// geometrically so that a long line costs a bounded number of copies. One
// byte stays free for the terminating zero.
int VrbIOTextWrapper::storeCharacter(int code) {
    int room = lineBufferSize - lineLength - 1;
    int written = room > 0 ? hx_uchar_intcopy(code, lineBuffer + lineLength, room) : 0;
    if (written == 0) {
        std::int64_t wanted = std::max<std::int64_t>(std::int64_t{lineBufferSize} * 2, lineBufferSize + 1024);
        if (wanted > INT_MAX - 2048) wanted = lineBufferSize + 1024;
        if (!growLineBuffer(wanted, lineLength)) return -1;
        written = hx_uchar_intcopy(code, lineBuffer + lineLength, lineBufferSize - lineLength - 1);
    }
    lineLength += written;
    return written;
}

// Moves a run of ASCII text characters from the chunk into the line buffer
// at once, within the same limits the per-character path applies. Returns
// the bytes consumed.
int VrbIOTextWrapper::copyAsciiRun(int minBytes, int maxBytes, std::int64_t consumed, bool lineEnds) {
    int unit;
    if (properties & HX_PROP_ASCII_RUNS) unit = 1;
    else if (properties & (HX_PROP_ASCII_U16LE | HX_PROP_ASCII_U16BE)) unit = 2;
    else if (properties & (HX_PROP_ASCII_U32LE | HX_PROP_ASCII_U32BE)) unit = 4;
    else return 0;

    std::int64_t limit = (chunkLength - chunkOffset) / unit;
    if (maxBytes >= 0) limit = std::min(limit, (maxBytes - consumed) / unit);
    if (minBytes < 0) limit = std::min<std::int64_t>(limit, 1);
    if (minBytes > 0) limit = std::min(limit, std::max<std::int64_t>(1, (minBytes - consumed + unit - 1) / unit));
    limit = std::min<std::int64_t>(limit, lineBufferSize - lineLength - 1);
    if (limit <= 0) return 0;

    const auto* bytes = reinterpret_cast<const unsigned char*>(chunk + chunkOffset);
    char* out = lineBuffer + lineLength;
    const int count = static_cast<int>(limit);
    int run;
    if (unit == 1) {
        run = vrb::ascii::textByteRun(bytes, count, lineEnds);
        std::memcpy(out, bytes, static_cast<std::size_t>(run));
    } else if (unit == 2) {
        run = vrb::ascii::textUnit16Run(bytes, count, (properties & HX_PROP_ASCII_U16BE) != 0, lineEnds, out);
    } else {
        run = vrb::ascii::textUnit32Run(bytes, count, (properties & HX_PROP_ASCII_U32BE) != 0, lineEnds, out);
    }
    if (run == 0) return 0;
    lineLength += run;
    consume(run * unit);
    return run * unit;
}

namespace {

inline unsigned unitAt(const unsigned char* p, int unit, bool bigEndian) {
    if (unit == 1) return p[0];
    if (unit == 2) return bigEndian ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
    return bigEndian ? (unsigned)p[0] << 24 | (unsigned)p[1] << 16 | (unsigned)p[2] << 8 | p[3]
                     : (unsigned)p[3] << 24 | (unsigned)p[2] << 16 | (unsigned)p[1] << 8 | p[0];
}

}  // namespace

// The common case of a read without a minimum, inside one chunk: runs of
// text characters and LF, FF or CR LF line ends, taken without the
// per-character calls. It stops wherever the per-character path has
// something to decide and leaves that to it.
//
// Encodings whose ASCII bytes stand for themselves copy the text byte for
// byte (UTF-8 is the internal form), so one index serves the chunk and the
// line buffer.
int VrbIOTextWrapper::fastRunBytes(int maxBytes, std::int64_t consumed, bool lineEnds, int* lineState) {
    const bool utf8 = (properties & HX_PROP_UTF8) != 0;
    const auto* p = reinterpret_cast<const unsigned char*>(chunk + chunkOffset);
    const int available = chunkLength - chunkOffset;
    int limit = std::min(lineBufferSize - lineLength - 1, available);
    if (maxBytes >= 0) limit = static_cast<int>(std::min<std::int64_t>(limit, maxBytes - consumed));
    char* out = lineBuffer + lineLength;
    int i = 0;
    int lineEndBytes = 0;
    for (;;) {
        i = vrb::ascii::copyPlainBlocks(p, i, limit, out, lineEnds);
        if (i >= limit) break;
        const unsigned byte = p[i];
        if (byte != 0 && byte < 0x80) {
            if (!lineEnds || (byte != 0x0A && byte != 0x0C && byte != 0x0D)) {
                out[i++] = static_cast<char>(byte);
                continue;
            }
            if (byte != 0x0D) {
                lineEndBytes = 1;
                *lineState = 1;
            } else if (i + 1 < available) {
                lineEndBytes = p[i + 1] == 0x0A ? 2 : 1;
                *lineState = lineEndBytes == 2 ? 1 : 3;
            }
            break;
        }
        if (!utf8 || byte == 0) break;
        unsigned code = 0;
        const int length = vrb::utf8::wellFormed(p + i, available - i, &code);
        if (length == 0 || i + length > limit) break;
        if (lineEnds && (code == 0x85 || code == 0x2028 || code == 0x2029)) break;
        std::memcpy(out + i, p + i, static_cast<std::size_t>(length));
        i += length;
    }
    lineLength += i;
    const int moved = i + lineEndBytes;
    if (moved > 0) consume(moved);
    return moved;
}

// The table-driven sets: whole characters up to the next line end or
// anything else the per-character path decides, converted by the
// character-set layer in one call; then the line end itself when it lies
// whole in the chunk, as fastRunBytes takes it.
int VrbIOTextWrapper::fastRunTable(int maxBytes, std::int64_t consumed, bool lineEnds, int* lineState) {
    const int available = chunkLength - chunkOffset;
    const int limit =
        maxBytes >= 0 ? static_cast<int>(std::min<std::int64_t>(maxBytes - consumed, available)) : available;
    const char* start = chunk + chunkOffset;
    int moved = 0;
    lineLength += hx_uchar_decode_run(encodingId, start, limit, lineEnds, lineBuffer + lineLength,
                                      lineBufferSize - lineLength - 1, &moved);
    if (lineEnds && moved < limit) {
        int length = 0;
        const int code = hx_uchar_chscan(encodingId, start + moved, &length);
        if (code > 0 && length <= limit - moved) {
            if (endsLine(code)) {
                moved += length;
                *lineState = kLineState_Ended;
            } else if (code == 0x0D && moved + length < available) {
                int nextLength = 0;
                const int next = hx_uchar_chscan(encodingId, start + moved + length, &nextLength);
                if (next >= 0 && nextLength <= available - moved - length) {
                    moved += length;
                    if (next == 0x0A) {
                        moved += nextLength;
                        *lineState = kLineState_Ended;
                    } else {
                        *lineState = kLineState_AfterCR;
                    }
                }
            }
        }
    }
    if (moved > 0) consume(moved);
    return moved;
}

// 16- and 32-bit units: ASCII units become single bytes, and UTF-16 BMP
// characters their two or three bytes of UTF-8.
int VrbIOTextWrapper::fastRun(int maxBytes, std::int64_t consumed, bool lineEnds, int* lineState) {
    if (properties & HX_PROP_ASCII_RUNS) {
        const int moved = fastRunBytes(maxBytes, consumed, lineEnds, lineState);
        if (moved > 0 || !(properties & HX_PROP_BULK)) return moved;
    }
    if (properties & HX_PROP_BULK) return fastRunTable(maxBytes, consumed, lineEnds, lineState);
    int shift;   // log2 of the unit
    if (properties & (HX_PROP_ASCII_U16LE | HX_PROP_ASCII_U16BE)) {
        shift = 1;
    } else if (properties & (HX_PROP_ASCII_U32LE | HX_PROP_ASCII_U32BE)) {
        shift = 2;
    } else {
        return 0;
    }
    const int unit = 1 << shift;
    const bool bigEndian = (properties & (HX_PROP_ASCII_U16BE | HX_PROP_ASCII_U32BE)) != 0;
    // BMP characters are taken here only for encodings whose surrogates
    // pair up (UTF-16); the rest goes the general way.
    const bool wideBmp = unit == 2 && maxCharSize >= 4;
    const auto* p = reinterpret_cast<const unsigned char*>(chunk + chunkOffset);
    const int available = chunkLength - chunkOffset;
    const int textLimit =
        maxBytes >= 0 ? static_cast<int>(std::min<std::int64_t>(maxBytes - consumed, available)) : available;
    char* out = lineBuffer + lineLength;
    const int room = lineBufferSize - lineLength - 1;
    int in = 0, stored = 0;
    for (;;) {
        const int units = std::min(textLimit - in, room - stored) >> shift;
        if (units > 0) {
            const int run = unit == 2 ? vrb::ascii::textUnit16Run(p + in, units, bigEndian, lineEnds, out + stored)
                                      : vrb::ascii::textUnit32Run(p + in, units, bigEndian, lineEnds, out + stored);
            in += run * unit;
            stored += run;
        }
        if (in + unit > available) break;
        const unsigned value = unitAt(p + in, unit, bigEndian);
        if (lineEnds && (value == 0x0A || value == 0x0C)) {
            in += unit;
            *lineState = 1;
            break;
        }
        if (lineEnds && value == 0x0D) {
            if (in + 2 * unit > available) break;
            if (unitAt(p + in + unit, unit, bigEndian) == 0x0A) {
                in += 2 * unit;
                *lineState = 1;
            } else {
                in += unit;
                *lineState = 3;
            }
            break;
        }
        if (!wideBmp || value < 0x80 || (value >= 0xD800 && value < 0xE000)) break;
        if (lineEnds && (value == 0x85 || value == 0x2028 || value == 0x2029)) break;
        const int internalLength = value < 0x800 ? 2 : 3;
        if (in + unit > textLimit || stored + internalLength > room) break;
        vrb::utf8::putBmp(value, out + stored);
        in += unit;
        stored += internalLength;
    }
    lineLength += stored;
    if (in > 0) consume(in);
    return in;
}

int VrbIOTextWrapper::fillLineBuffer(int minBytes, int maxBytes, char** text, bool* endOfLine) {
    if (refuseUnlessReading()) return -1;
    std::int64_t consumed = 0;
    int lineState = kLineState_Text;
    const bool lineEnds = endOfLine != nullptr;
    lineLength = 0;
    if (lineEnds) *endOfLine = false;
    if (!growLineBuffer(maxBytes < 0 ? 1024 : maxBytes, 0)) return -1;

    for (;;) {
        if (fastPaths && lineState != kLineState_AfterCR && pendingLength == 0 && chunk &&
            chunkOffset < chunkLength) {
            if (minBytes == 0) {
                int moved = fastRun(maxBytes, consumed, lineEnds, &lineState);
                if (moved > 0) {
                    consumed += moved;
                    if (lineState == kLineState_Ended) break;
                    continue;
                }
            }
            int moved = minBytes == 0 ? 0 : copyAsciiRun(minBytes, maxBytes, consumed, lineEnds);
            if (moved > 0) {
                consumed += moved;
                lineState = kLineState_Text;
                if (minBytes != 0 && consumed >= minBytes) break;
                continue;
            }
        }

        Scanned next;
        int failure = -1;
        Take taken = takeCharacter(maxBytes, &next, &failure);
        if (taken == Take::Failed) return failure;
        if (taken == Take::EndOfFile) {
            if (lineEnds && lineLength > 0) lineState = kLineState_Ended;
            break;
        }

        bool store = true;
        if (lineEnds) {
            if (endsLine(next.code)) {
                lineState = kLineState_Ended;
                store = false;
            } else if (next.code == 0x0D) {
                lineState = kLineState_AfterCR;
                store = false;
            } else if (lineState == kLineState_AfterCR) {
                // The line ended at the CR; this character starts the next read.
                lineState = kLineState_EndedBeforeNext;
                break;
            } else {
                lineState = kLineState_Text;
            }
        }
        if (store) {
            if (maxBytes >= 0 && consumed + next.length > maxBytes) break;
            if (storeCharacter(next.code) < 0) return -1;
        }
        consume(next.length);
        consumed += next.length;
        if (minBytes != 0 && store && consumed >= minBytes) break;
        if (lineState == kLineState_Ended) break;
    }

    if (lineBuffer) {
        lineBuffer[lineLength] = 0;
        *text = lineBuffer;
    } else {
        emptyText[0] = 0;
        *text = emptyText;
    }
    if (lineEnds && lineState != kLineState_Text) *endOfLine = true;
    return (maxBytes != 0 && minBytes == maxBytes) ? static_cast<int>(consumed) : lineLength;
}

int VrbIOTextWrapper::readText(int count, char** text) { return fillLineBuffer(0, count, text, nullptr); }
int VrbIOTextWrapper::readBytes(int count, char** text) { return fillLineBuffer(count, count, text, nullptr); }
int VrbIOTextWrapper::readBytesInLine(int count, char** text, bool* endOfLine) {
    return fillLineBuffer(count, count, text, endOfLine);
}
int VrbIOTextWrapper::readLine(int count, char** text, bool* endOfLine) {
    return fillLineBuffer(0, count, text, endOfLine);
}

// Drops `count` unconsumed bytes: first the pending ones, then the chunk's,
// then the raw stream's. Nothing changes when the raw skip fails.
bool VrbIOTextWrapper::skipBytes(std::int64_t count) {
    const int inChunk = chunk ? chunkLength - chunkOffset : 0;
    const std::int64_t held = pendingLength + std::int64_t{inChunk};
    if (count >= held) {
        if (raw->skip(count - held) < 0) {
            lastError = raw->errorText();
            return false;
        }
        pendingLength = 0;
        chunk = nullptr;
        chunkOffset = 0;
        chunkLength = 0;
        position += count;
        return true;
    }
    consume(static_cast<int>(count));
    return true;
}

int VrbIOTextWrapper::skipText(int count, bool* endOfLine) {
    if (refuseUnlessReading()) return -1;
    if (endOfLine) return skipLineText(count, endOfLine);
    if (count < 0) {
        lastError = VRB_MESSAGE(kLabelText, 336);
        return -1;
    }
    return skipBytes(count) ? count : -1;
}

int VrbIOTextWrapper::skipLineText(int count, bool* endOfLine) {
    *endOfLine = false;
    std::int64_t passed = 0;
    int lineState = kLineState_Text;
    for (;;) {
        Scanned next;
        int failure = -1;
        Take taken = takeCharacter(count, &next, &failure);
        if (taken == Take::Failed) return failure;
        if (taken == Take::EndOfFile) {
            *endOfLine = passed > 0 || lineState != kLineState_Text;
            return static_cast<int>(passed);
        }
        if (endsLine(next.code)) {
            lineState = kLineState_Ended;
        } else if (next.code == 0x0D) {
            lineState = kLineState_AfterCR;
        } else if (lineState == kLineState_AfterCR) {
            *endOfLine = true;
            return static_cast<int>(passed);
        } else {
            lineState = kLineState_Text;
        }
        consume(next.length);
        if (lineState == kLineState_Text) passed += next.length;
        if ((count >= 0 && passed >= count) || lineState == kLineState_Ended) {
            *endOfLine = lineState != kLineState_Text;
            return static_cast<int>(passed);
        }
    }
}

bool VrbIOTextWrapper::seek(int units, int unitSize) {
    if (refuseUnlessReading()) return false;
    // Formed in 64 bits: the 32-bit product overflows for targets past 2 GiB.
    const std::int64_t target = std::int64_t{units} * unitSize;
    if (target == position) return true;
    if (target < position || target < 0) {
        lastError = VRB_MESSAGE(kLabelText, 336);
        return false;
    }
    return skipBytes(target - position);
}
