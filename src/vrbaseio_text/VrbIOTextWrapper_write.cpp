// Writing: characters from the internal form into the file's encoding,
// collected in the output buffer, which reaches the raw stream only when full.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "hx/hx_uchar.h"
#include "vrbaseio_text/VrbIOTextWrapper.h"
#include "vrbaseio_text/utf8_sequence.h"
#include "vrbaseio_core/source_labels.h"
#include "vrbclass/vrb_message.h"

using vrb::text::EncodingTraits;
using vrb::text::OutputBuffer;

namespace {

constexpr int kReplacement = 0xFFFD;

// One character of the caller's text in the file's encoding.
struct Encoded {
    char bytes[16];
    int length;        // output bytes
    int textLength;    // internal-form bytes it took
    int code;          // the character written (U+FFFD for invalid text)
};

// `available` bytes of text may be read: the caller's text need not be
// zero-terminated, so a sequence cut short at its end is scanned from a
// padded copy rather than past the caller's bytes. U+0000 is `zeroLength`
// zero bytes: the encoder takes zero-terminated text and cannot write it.
void encodeCharacter(int encoding, int zeroLength, const char* text, int available, Encoded* out) {
    int taken = 1;
    int code;
    if (available >= 4) {
        code = hx_uchar_toint(text, &taken);
    } else {
        char padded[8] = {};
        std::memcpy(padded, text, static_cast<std::size_t>(available));
        code = hx_uchar_toint(padded, &taken);
        if (taken > available) taken = available;
    }
    out->textLength = taken < 1 ? 1 : taken;
    if (code < 0) code = kReplacement;
    out->code = code;
    if (code == 0) {
        std::memset(out->bytes, 0, static_cast<std::size_t>(zeroLength));
        out->length = zeroLength;
        return;
    }
    char scratch[16];
    int length = hx_uchar_intcopy(code, scratch, 15);
    scratch[length] = 0;
    out->length = hx_uchar_decode(encoding, scratch, out->bytes, 16);
}

// The write paths below each take characters from the front of `text`
// and return the text bytes they took, 0 when they leave the next
// character to the path after them, or -1 when the output failed.

// A well-formed character of the internal form is the file's bytes as they
// stand in UTF-8, and one unit in UTF-16 or UCS-2 when it lies in the BMP.
int writeWellFormed(OutputBuffer& output, const EncodingTraits& traits, const unsigned char* text, int length) {
    unsigned code = 0;
    const int taken = vrb::utf8::wellFormed(text, length, &code);
    if (taken == 0) return 0;
    if (traits.utf8) return output.append(reinterpret_cast<const char*>(text), taken) ? taken : -1;
    if (traits.bulkUnit != 2 || code >= 0x10000) return 0;
    char unit[2];
    unit[traits.bigEndian ? 0 : 1] = static_cast<char>(code >> 8);
    unit[traits.bigEndian ? 1 : 0] = static_cast<char>(code & 0xFF);
    return output.append(unit, 2) ? taken : -1;
}

// Runs of ASCII characters, each its own byte or 16-bit unit in the file,
// copied as the per-character path would write them, and between them the
// characters that can be written without the character-set layer. 32-bit
// forms take the per-character way.
int writePlainRuns(OutputBuffer& output, const vrb::ascii::Kernels& kernels, const EncodingTraits& traits,
                   const unsigned char* text, int length) {
    const int unit = traits.bulkUnit;
    int done = 0;
    while (done < length) {
        if ((output.room() >> (unit - 1)) == 0 && !output.flush()) return -1;
        const int limit = std::min(length - done, output.room() >> (unit - 1));
        const int run = kernels.storePlainText(text + done, limit, output.end(), unit, traits.bigEndian);
        output.commit(run * unit);
        done += run;
        if (run == limit) continue;
        const int next = writeWellFormed(output, traits, text + done, length - done);
        if (next <= 0) return next < 0 ? -1 : done;
        done += next;
    }
    return done;
}

// UTF-8: well-formed text without U+0000 and line ends is the file's bytes
// already, found by the kernel that reading uses and copied a buffer's room
// at a time, cut only between characters, as the per-character path
// flushes. The character it stops at is left to that path.
int copyWellFormed(OutputBuffer& output, const vrb::ascii::Kernels& kernels, const unsigned char* text, int length) {
    const int end = kernels.findTextEnd(text, length);
    int done = 0;
    while (done < end) {
        int piece = std::min(end - done, output.room());
        if (piece < end - done) {
            while (piece > 0 && (text[done + piece] & 0xC0) == 0x80) --piece;
        }
        if (piece == 0) {
            if (!output.flush()) return -1;
            continue;
        }
        std::memcpy(output.end(), text + done, static_cast<std::size_t>(piece));
        output.commit(piece);
        done += piece;
    }
    return done;
}

// Table-driven sets: the layer converts the run up to anything the
// per-character path decides (U+0000, invalid text).
int writeTableRun(OutputBuffer& output, int encoding, const unsigned char* text, int length) {
    if (output.room() < 4 && !output.flush()) return -1;
    int taken = 0;
    const int written = hx_uchar_encode_run(encoding, reinterpret_cast<const char*>(text), length, output.end(),
                                            output.room(), &taken);
    if (taken > 0) output.commit(written);
    return taken;
}

int writeCharacter(OutputBuffer& output, int encoding, const EncodingTraits& traits, const unsigned char* text,
                   int length) {
    Encoded encoded;
    encodeCharacter(encoding, traits.zeroLength(), reinterpret_cast<const char*>(text), length, &encoded);
    return output.append(encoded.bytes, encoded.length) ? encoded.textLength : -1;
}

// Whether the encoding writes `code` as itself: what the set writes reads
// back as the same character, where a substitute ("?", U+FFFD) does not.
bool writesAsItself(int encoding, int code, const Encoded& encoded) {
    char padded[32] = {};
    std::memcpy(padded, encoded.bytes, static_cast<std::size_t>(encoded.length));
    int scanned = 0;
    return encoded.length > 0 && hx_uchar_chscan(encoding, padded, &scanned) == code && scanned == encoded.length;
}

// The same for a stateful set, whose bytes carry escapes around the
// character: they must read back as that one character and nothing else.
bool writesAsItselfWithState(int encoding, int code, const Encoded& encoded) {
    char padded[32] = {};
    std::memcpy(padded, encoded.bytes, static_cast<std::size_t>(encoded.length));
    hx_uchar_state state{};
    int characters = 0;
    for (int at = 0; at < encoded.length;) {
        int codes[HX_UCHAR_MAX_CODES];
        int length = 0;
        const int count = hx_uchar_scan_state(encoding, padded + at, &state, codes, &length);
        if (count < 0 || count > 1 || (count == 1 && (codes[0] != code || ++characters > 1))) return false;
        at += length;
    }
    return characters == 1;
}

}  // namespace

// Strict writing is all or nothing per call: the whole text is checked
// before any of it reaches the buffer, which may flush mid-call.
bool VrbIOTextWrapper::findUnwritable(const char* text, int length, Unwritable* found) const {
    if (traits.utf8) return false;   // the internal form: every character is its own bytes
    const bool asciiAsIs = traits.bulkUnit != 0;
    std::int64_t offset = 0;
    while (length > 0) {
        if (asciiAsIs && static_cast<unsigned char>(*text) < 0x80) {
            offset += traits.codeUnit;
            ++text;
            --length;
            continue;
        }
        Encoded encoded;
        encodeCharacter(encodingId, traits.zeroLength(), text, length, &encoded);
        const bool asItself = traits.stateful ? writesAsItselfWithState(encodingId, encoded.code, encoded)
                                              : writesAsItself(encodingId, encoded.code, encoded);
        if (!asItself) {
            found->code = encoded.code;
            found->offset = offset;
            return true;
        }
        offset += encoded.length;
        text += encoded.textLength;
        length -= encoded.textLength;
    }
    return false;
}

bool VrbIOTextWrapper::refuseUnwritable(const char* text, int length) {
    Unwritable found;
    if (!findUnwritable(text, length, &found)) return false;
    char character[16];
    std::snprintf(character, sizeof character, "U+%04X", static_cast<unsigned>(found.code));
    const std::string offset = std::to_string(output.position() + bomLength + found.offset);
    lastError = VRB_MESSAGE(kLabelText, 1500, character, raw->path().asCstr(), offset.c_str(),
                            hx_uchar_encname(encodingId));
    return true;
}

bool VrbIOTextWrapper::write(const char* text, int length) {
    if (refuseUnlessWriting()) return false;
    if ((flags & VRB_TXT_STRICT) && refuseUnwritable(text, length)) return false;
    if (traits.stateful) return writeWithState(text, length);
    const bool copiesText = fastPaths && traits.utf8;
    const bool plainRuns = fastPaths && traits.plainWrites && traits.bulkUnit <= 2;
    const bool tableRuns = fastPaths && traits.tableDriven;
    const auto* cursor = reinterpret_cast<const unsigned char*>(text);
    while (length > 0) {
        if (copiesText) {
            const int taken = copyWellFormed(output, *kernels, cursor, length);
            if (taken < 0) return outputFailed();
            cursor += taken;
            length -= taken;
            if (length == 0) break;
        } else if (plainRuns) {
            // They stop only at the end or at a character they leave to the paths below.
            const int taken = writePlainRuns(output, *kernels, traits, cursor, length);
            if (taken < 0) return outputFailed();
            cursor += taken;
            length -= taken;
            if (length == 0) break;
        }
        int taken = tableRuns ? writeTableRun(output, encodingId, cursor, length) : 0;
        if (taken == 0) taken = writeCharacter(output, encodingId, traits, cursor, length);
        if (taken < 0) return outputFailed();
        cursor += taken;
        length -= taken;
    }
    return true;
}

bool VrbIOTextWrapper::write(const char* text, int length, int width) {
    if (refuseUnlessWriting()) return false;
    if (width <= 0) return true;
    if ((flags & VRB_TXT_STRICT) && refuseUnwritable(text, length)) return false;
    if (traits.stateful) return writeFieldWithState(text, length, width);
    const char* cursor = text;
    while (length > 0) {
        Encoded encoded;
        encodeCharacter(encodingId, traits.zeroLength(), cursor, length, &encoded);
        if (encoded.length > width) break;
        if (!output.append(encoded.bytes, encoded.length)) return outputFailed();
        cursor += encoded.textLength;
        length -= encoded.textLength;
        width -= encoded.length;
        if (width == 0) return true;
    }
    return output.pad(width) || outputFailed();
}

bool VrbIOTextWrapper::writeln(const char* text, int length, int width) {
    if (!write(text, length, width)) return false;
    return writeNewline();
}

bool VrbIOTextWrapper::writeln(const char* text, int length) {
    if (!write(text, length)) return false;
    return writeNewline();
}

bool VrbIOTextWrapper::writeNewline() {
    if (traits.stateful) return writeNewlineWithState();
    return output.newline() || outputFailed();
}
