// Reading: the engine shared by the four read operations, skipping and seeking.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "hx/hx_uchar.h"
#include "vrbaseio/VrbIO.h"
#include "vrbaseio_core/source_labels.h"
#include "vrbaseio_text/VrbIOTextWrapper.h"
#include "vrbaseio_text/line_ends.h"
#include "vrbaseio_text/utf8_sequence.h"
#include "vrbclass/vrb_message.h"

using vrb::text::InputCursor;
using vrb::text::LineState;

namespace {

constexpr int kReplacement = 0xFFFD;

inline unsigned unitAt(const unsigned char* p, int unit, bool bigEndian) {
    if (unit == 1) return p[0];
    if (unit == 2) return bigEndian ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
    return bigEndian ? (unsigned)p[0] << 24 | (unsigned)p[1] << 16 | (unsigned)p[2] << 8 | p[3]
                     : (unsigned)p[3] << 24 | (unsigned)p[2] << 16 | (unsigned)p[1] << 8 | p[0];
}

}  // namespace

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

// Reads with a minimum (readBytes, readBytesInLine): runs of ASCII text
// characters moved at once, within the same limits the per-character path
// applies. Returns the bytes consumed.
int VrbIOTextWrapper::copyAsciiRun(int minBytes, int maxBytes, std::int64_t consumed, bool lineEnds) {
    const int unit = traits.bulkUnit;
    if (unit == 0) return 0;
    std::int64_t limit = input.runLength() / unit;
    if (maxBytes >= 0) limit = std::min(limit, (maxBytes - consumed) / unit);
    if (minBytes < 0) limit = std::min<std::int64_t>(limit, 1);
    if (minBytes > 0) limit = std::min(limit, std::max<std::int64_t>(1, (minBytes - consumed + unit - 1) / unit));
    limit = std::min<std::int64_t>(limit, lineBufferSize - lineLength - 1);
    if (limit <= 0) return 0;

    const auto* bytes = reinterpret_cast<const unsigned char*>(input.run());
    char* out = lineBuffer + lineLength;
    const int count = static_cast<int>(limit);
    int run;
    if (unit == 1) {
        run = kernels->copyPlainBytes(bytes, 0, count, out, lineEnds);
    } else if (unit == 2) {
        run = kernels->copyPlainUnits16(bytes, count, traits.bigEndian, lineEnds, out);
    } else {
        run = kernels->copyPlainUnits32(bytes, count, traits.bigEndian, lineEnds, out);
    }
    if (run == 0) return 0;
    lineLength += run;
    input.consume(run * unit);
    return run * unit;
}

// The one entry to the bulk paths of a read without a minimum: moves what
// it can of the chunk into the line buffer without a call per character,
// up to and including a line end that lies whole in the chunk, and stops
// wherever the per-character path has something to decide.
int VrbIOTextWrapper::bulkRun(int maxBytes, std::int64_t consumed, bool lineEnds, LineState* lineState) {
    // The table-driven sets convert their ASCII runs themselves.
    if (traits.tableDriven) return tableRun(maxBytes, consumed, lineEnds, lineState);
    if (traits.bulkUnit == 1) return byteRun(maxBytes, consumed, lineEnds, lineState);
    if (traits.bulkUnit > 1) return unitRun(maxBytes, consumed, lineEnds, lineState);
    if (traits.stateful) return tableRun(maxBytes, consumed, lineEnds, lineState);
    return 0;
}

// Encodings whose ASCII bytes stand for themselves: runs of text characters
// copied byte for byte (UTF-8 is the internal form, so its other
// characters too), so one index serves the chunk and the line buffer.
int VrbIOTextWrapper::byteRun(int maxBytes, std::int64_t consumed, bool lineEnds, LineState* lineState) {
    const auto* p = reinterpret_cast<const unsigned char*>(input.run());
    const int available = input.runLength();
    int limit = std::min(lineBufferSize - lineLength - 1, available);
    if (maxBytes >= 0) limit = static_cast<int>(std::min<std::int64_t>(limit, maxBytes - consumed));
    char* out = lineBuffer + lineLength;
    int i = 0;
    int lineEndBytes = 0;
    for (;;) {
        i = kernels->copyPlainBytes(p, i, limit, out, lineEnds);
        if (i >= limit) break;
        const unsigned byte = p[i];
        if (byte != 0 && byte < 0x80) {
            auto scanByte = [&](int offset, int* length) {
                *length = 1;
                return static_cast<int>(p[i + offset]);
            };
            lineEndBytes = vrb::text::takeLineEnd(scanByte, available - i, available - i, lineState);
            break;
        }
        if (!traits.utf8 || byte == 0) break;
        unsigned code = 0;
        const int length = vrb::utf8::wellFormed(p + i, available - i, &code);
        if (length == 0 || i + length > limit) break;
        if (lineEnds && vrb::text::isLineEndCharacter(static_cast<int>(code))) break;
        std::memcpy(out + i, p + i, static_cast<std::size_t>(length));
        i += length;
    }
    lineLength += i;
    const int moved = i + lineEndBytes;
    if (moved > 0) input.consume(moved);
    return moved;
}

// 16- and 32-bit units: ASCII units become single bytes, and UTF-16
// characters their two to four bytes of UTF-8; then a line end that lies
// decided in the chunk.
int VrbIOTextWrapper::unitRun(int maxBytes, std::int64_t consumed, bool lineEnds, LineState* lineState) {
    const int unit = traits.bulkUnit;
    const int shift = unit == 2 ? 1 : 2;
    const bool bigEndian = traits.bigEndian;
    const auto* p = reinterpret_cast<const unsigned char*>(input.run());
    const int available = input.runLength();
    const int textLimit =
        maxBytes >= 0 ? static_cast<int>(std::min<std::int64_t>(maxBytes - consumed, available)) : available;
    char* out = lineBuffer + lineLength;
    const int room = lineBufferSize - lineLength - 1;
    int in = 0, stored = 0, lineEndBytes = 0;
    if (traits.wideBmp) {
        // UTF-16: every character up to the next stop in one call.
        const int units = textLimit >> shift;
        if (units > 0) in = 2 * kernels->convertUnits16(p, units, bigEndian, lineEnds, out, room, &stored);
    } else if (const int units = std::min(textLimit, room) >> shift; units > 0) {
        stored = unit == 2 ? kernels->copyPlainUnits16(p, units, bigEndian, lineEnds, out)
                           : kernels->copyPlainUnits32(p, units, bigEndian, lineEnds, out);
        in = stored * unit;
    }
    if (lineEnds && in + unit <= available && vrb::text::isAsciiLineEnd(unitAt(p + in, unit, bigEndian))) {
        auto scanUnit = [&](int offset, int* length) {
            *length = unit;
            return in + offset + unit <= available ? static_cast<int>(unitAt(p + in + offset, unit, bigEndian)) : -1;
        };
        lineEndBytes = vrb::text::takeLineEnd(scanUnit, available - in, available - in, lineState);
    }
    lineLength += stored;
    const int moved = in + lineEndBytes;
    if (moved > 0) input.consume(moved);
    return moved;
}

// The table-driven sets: whole characters up to the next line end or
// anything else the per-character path decides, converted by the
// character-set layer in one call; then the line end itself.
int VrbIOTextWrapper::tableRun(int maxBytes, std::int64_t consumed, bool lineEnds, LineState* lineState) {
    const int available = input.runLength();
    const int limit =
        maxBytes >= 0 ? static_cast<int>(std::min<std::int64_t>(maxBytes - consumed, available)) : available;
    const char* start = input.run();
    int moved = 0;
    if (traits.stateful) {
        // Line ends, like everything else the run leaves, take the
        // per-character way, which keeps the decoder's state.
        lineLength += hx_uchar_decode_run_state(encodingId, start, limit, lineEnds, lineBuffer + lineLength,
                                                lineBufferSize - lineLength - 1, &moved, &input.decoder());
        if (moved > 0) input.consume(moved);
        return moved;
    }
    lineLength += hx_uchar_decode_run(encodingId, start, limit, lineEnds, lineBuffer + lineLength,
                                      lineBufferSize - lineLength - 1, &moved);
    if (lineEnds && moved < available) {
        // Where ASCII bytes stand for themselves, a line end there needs no
        // call into the character-set layer.
        const bool asciiRuns = traits.bulkUnit == 1;
        auto scanCharacter = [&](int offset, int* length) {
            const auto byte = static_cast<unsigned char>(start[moved + offset]);
            if (asciiRuns && byte < 0x80) {
                *length = 1;
                return static_cast<int>(byte);
            }
            return hx_uchar_chscan(encodingId, start + moved + offset, length);
        };
        moved += vrb::text::takeLineEnd(scanCharacter, available - moved, available - moved, lineState);
    }
    if (moved > 0) input.consume(moved);
    return moved;
}

// readLine of UTF-8 (the internal form) in the common case: a line of
// well-formed text without U+0000 whose line end lies decided in the chunk
// is handed out where it lies instead of copied, found by one scan that
// checks the UTF-8 and looks for the line end at once. Returns the text's
// length, or -1 with nothing consumed when the line takes the copying path.
int VrbIOTextWrapper::lineInPlace(int maxBytes, char** text) {
    const auto* p = reinterpret_cast<const unsigned char*>(input.run());
    const int available = input.runLength();
    // A limited read looks no further than the limit allows the text to go.
    const int scanned = maxBytes >= 0 && maxBytes < available ? maxBytes + 1 : available;
    const int i = kernels->findTextEnd(p, scanned);
    if (i >= scanned || p[i] == 0) return -1;
    int endLength = 1;
    LineState state = LineState::Ended;
    if (p[i] >= 0x80) {
        // NEL, LS or PS; or a sequence that the copying path replaces, or
        // that the limit cut.
        unsigned code = 0;
        endLength = vrb::utf8::wellFormed(p + i, available - i, &code);
        if (endLength == 0 || !vrb::text::isLineEndCharacter(static_cast<int>(code))) return -1;
    } else if (p[i] == vrb::text::kCarriageReturn) {
        // What follows a CR decides how much of it is line end; a further
        // CR, or a character that may be NEL, LS or PS, is left to the
        // per-character rule.
        if (i + 1 >= available) return -1;
        const unsigned next = p[i + 1];
        if (next == vrb::text::kCarriageReturn || next >= 0x80) return -1;
        if (vrb::text::isAsciiLineEnd(next)) endLength = 2;
        else state = LineState::EndedBeforeNext;
    }
    *text = input.takeLineInPlace(i, endLength);
    vrb::text::LineCounter& lines = input.lines();
    if (i > 0) lines.text();
    if (state == LineState::Ended) lines.lineEnd();
    else lines.carriageReturn();
    return i;
}

// The engine of the four reads. With minBytes 0 it reads characters
// worth up to maxBytes file bytes (no limit when negative), otherwise
// until at least minBytes are consumed; with endOfLine, a line end also
// ends the read and is not handed out.
int VrbIOTextWrapper::fillLineBuffer(int minBytes, int maxBytes, char** text, bool* endOfLine) {
    if (refuseUnlessReading()) return -1;
    const ReadRequest request{minBytes, maxBytes, endOfLine != nullptr};
    std::int64_t consumed = 0;
    LineState lineState = LineState::Text;
    lineLength = 0;
    if (endOfLine) *endOfLine = false;
    // Every read but the first finds the buffer big enough.
    const std::int64_t wanted = maxBytes < 0 ? 1024 : maxBytes;
    if ((!lineBuffer || wanted + 1 > lineBufferSize) && !growLineBuffer(wanted, 0)) return -1;
    if (linesInPlace && fastPaths && traits.utf8 && endOfLine && minBytes == 0 && input.hasRun()) {
        const int length = lineInPlace(maxBytes, text);
        if (length >= 0) {
            *endOfLine = true;
            return length;
        }
    }

    for (;;) {
        if (fastPaths && lineState != LineState::AfterCR && input.hasRun()) {
            const int moved = minBytes == 0 ? bulkRun(maxBytes, consumed, request.lineEnds, &lineState)
                                            : copyAsciiRun(minBytes, maxBytes, consumed, request.lineEnds);
            if (moved > 0) {
                consumed += moved;
                if (minBytes != 0) lineState = LineState::Text;
                if (minBytes == 0 ? lineState == LineState::Ended : consumed >= minBytes) break;
                continue;
            }
        }
        const int next = fillCharacter(request, &consumed, &lineState);
        if (next < 0) return next;
        if (next == 0) break;
    }
    return handOutLine(request, consumed, lineState, text, endOfLine);
}

// One character the per-character way. Returns 1 to go on, 0 when the read
// is complete, or the read's (negative) result when it fails.
int VrbIOTextWrapper::fillCharacter(const ReadRequest& request, std::int64_t* consumed, LineState* lineState) {
    InputCursor::Character next;
    int failure = -1;
    const InputCursor::Take taken = input.peek(request.maxBytes, &next, &failure);
    if (taken == InputCursor::Take::Failed) {
        // The text before a failed stream read is handed out; the next read
        // asks the stream again and meets the failure first.
        if (*consumed > 0) return 0;
        lastError = raw->errorText();
        return failure;
    }
    if (taken == InputCursor::Take::EndOfFile) {
        if (request.lineEnds && lineLength > 0) *lineState = LineState::Ended;
        return 0;
    }
    if (next.count == 0) return takeShift(request, next, consumed, *lineState);

    bool store = true;
    if (request.lineEnds) {
        const vrb::text::LineStep step = vrb::text::stepLine(*lineState, next.code);
        *lineState = step.state;
        // The line ended at a CR; this character starts the next read.
        if (!step.taken) return 0;
        store = step.text;
    }
    if (store && refuses(next)) {
        // The text before the refused character is handed out; the next
        // read meets it first and fails, consuming nothing. Escapes before
        // it are no text: a text read that holds nothing else fails now.
        if (lineLength > 0 || (*consumed > 0 && request.minBytes != 0)) return 0;
        lastError = refusal(next);
        return -1;
    }
    if (store && next.code == 0 && !next.malformed) next.code = kReplacement;
    if (store) {
        if (request.maxBytes >= 0 && *consumed + next.length > request.maxBytes) return 0;
        if (storeCharacter(next.code) < 0) return -1;
        if (next.count == 2 && storeCharacter(next.second) < 0) return -1;
    }
    input.take(next);
    *consumed += next.length;
    if (request.minBytes != 0 && store && *consumed >= request.minBytes) return 0;
    return *lineState == LineState::Ended ? 0 : 1;
}

// An escape or shift of a stateful set: no text, but bytes of the file.
// After a line-ending CR it belongs to the next line.
int VrbIOTextWrapper::takeShift(const ReadRequest& request, const InputCursor::Character& shift,
                                std::int64_t* consumed, LineState lineState) {
    if (request.lineEnds && lineState == LineState::AfterCR) return 0;
    if (request.maxBytes >= 0 && *consumed + shift.length > request.maxBytes) return 0;
    input.take(shift);
    *consumed += shift.length;
    return request.minBytes != 0 && *consumed >= request.minBytes ? 0 : 1;
}

// The line, zero-terminated, and the read's result: the file bytes
// consumed for readBytes and readBytesInLine, the text's length otherwise.
int VrbIOTextWrapper::handOutLine(const ReadRequest& request, std::int64_t consumed, LineState lineState, char** text,
                                  bool* endOfLine) {
    countLines(request, lineState);
    if (lineBuffer) {
        lineBuffer[lineLength] = 0;
        *text = lineBuffer;
    } else {
        emptyText[0] = 0;
        *text = emptyText;
    }
    if (request.lineEnds && lineState != LineState::Text) *endOfLine = true;
    return (request.maxBytes != 0 && request.minBytes == request.maxBytes) ? static_cast<int>(consumed) : lineLength;
}

// Reads that hand out line ends as text hand out every character they
// consumed; reads by line hand out the text before one line end.
void VrbIOTextWrapper::countLines(const ReadRequest& request, LineState lineState) {
    vrb::text::LineCounter& lines = input.lines();
    if (!request.lineEnds) return lines.countText(lineBuffer, lineLength);
    if (lineLength > 0) lines.text();
    if (lineState == LineState::Ended) {
        lines.lineEnd();
    } else if (lineState != LineState::Text) {
        lines.carriageReturn();
    }
}

bool VrbIOTextWrapper::refuses(const InputCursor::Character& next) const noexcept {
    if (next.malformed) return (flags & VRB_TXT_STRICT) != 0;
    return next.code == 0 && !(flags & VRB_TXT_NUL_AS_FFFD);
}

// Names the file, the byte offset of the character (the byte-order mark
// counted), its line and, for a malformed sequence, the bytes the
// character-set layer rejected as one: those that would have become one
// U+FFFD (a cut sequence's prefix, or the one byte that cannot start or
// continue a character).
VrbString VrbIOTextWrapper::refusal(const InputCursor::Character& next) {
    char offset[24];
    char line[24] = "unknown";
    std::snprintf(offset, sizeof offset, "%lld", static_cast<long long>(input.position() + bomLength));
    if (input.lines().isKnown()) std::snprintf(line, sizeof line, "%lld", static_cast<long long>(input.lines().line()));
    if (!next.malformed) return VRB_MESSAGE(kLabelText, 1497, raw->path().asCstr(), offset, line);
    unsigned char bytes[16];
    const int length = std::min(next.length, 16);
    input.copyAhead(length, bytes);
    char hex[16 * 3 + 1] = "";
    int at = 0;
    for (int i = 0; i < length; ++i) {
        at += std::snprintf(hex + at, sizeof hex - static_cast<std::size_t>(at), i == 0 ? "%02X" : " %02X", bytes[i]);
    }
    return VRB_MESSAGE(kLabelText, 1496, raw->path().asCstr(), offset, line, hx_uchar_encname(encodingId), hex);
}

int VrbIOTextWrapper::readText(int count, char** text) { return fillLineBuffer(0, count, text, nullptr); }
int VrbIOTextWrapper::readBytes(int count, char** text) { return fillLineBuffer(count, count, text, nullptr); }
int VrbIOTextWrapper::readBytesInLine(int count, char** text, bool* endOfLine) {
    return fillLineBuffer(count, count, text, endOfLine);
}
int VrbIOTextWrapper::readLine(int count, char** text, bool* endOfLine) {
    return fillLineBuffer(0, count, text, endOfLine);
}

bool VrbIOTextWrapper::skipBytes(std::int64_t count) {
    if (traits.stateful) return skipStatefulBytes(count);
    if (!input.skip(count)) {
        lastError = raw->errorText();
        return false;
    }
    return true;
}

// The bytes passed over are scanned for escapes and shifts, so that a
// target at a character boundary (every position tell() reports) reads on
// in the state a reader from the start has there; a target inside a
// character starts in the initial state.
bool VrbIOTextWrapper::skipStatefulBytes(std::int64_t count) {
    const std::int64_t target = input.position() + count;
    for (;;) {
        const std::int64_t left = target - input.position();
        if (left == 0) return true;
        InputCursor::Character next;
        int failure = -1;
        const InputCursor::Take taken = input.peek(-1, &next, &failure);
        if (taken == InputCursor::Take::Failed) {
            lastError = raw->errorText();
            return false;
        }
        if (taken == InputCursor::Take::EndOfFile || next.length > left) break;
        input.take(next);
        input.lines().lose();
    }
    if (!input.skip(target - input.position())) {
        lastError = raw->errorText();
        return false;
    }
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
    LineState lineState = LineState::Text;
    for (;;) {
        InputCursor::Character next;
        int failure = -1;
        const InputCursor::Take taken = input.peek(count, &next, &failure);
        if (taken == InputCursor::Take::Failed) {
            lastError = raw->errorText();
            return failure;
        }
        if (taken == InputCursor::Take::EndOfFile) {
            *endOfLine = passed > 0 || lineState != LineState::Text;
            return static_cast<int>(passed);
        }
        if (next.count == 0) {
            if (lineState == LineState::AfterCR) {
                *endOfLine = true;
                return static_cast<int>(passed);
            }
            input.take(next);
            continue;
        }
        if (next.code == 0 && !next.malformed && !(flags & VRB_TXT_NUL_AS_FFFD)) {
            lastError = refusal(next);
            return -1;
        }
        const vrb::text::LineStep step = vrb::text::stepLine(lineState, next.code);
        lineState = step.state;
        if (!step.taken) {
            *endOfLine = true;
            return static_cast<int>(passed);
        }
        input.take(next);
        input.lines().character(next.code);
        if (step.text) passed += next.length;
        if ((count >= 0 && passed >= count) || lineState == LineState::Ended) {
            *endOfLine = lineState != LineState::Text;
            return static_cast<int>(passed);
        }
    }
}

bool VrbIOTextWrapper::seek(int units, int unitSize) {
    if (refuseUnlessReading()) return false;
    // Formed in 64 bits: the 32-bit product overflows for targets past 2 GiB.
    const std::int64_t target = std::int64_t{units} * unitSize;
    if (target == input.position()) return true;
    if (target < input.position() || target < 0) {
        lastError = VRB_MESSAGE(kLabelText, 336);
        return false;
    }
    return skipBytes(target - input.position());
}
