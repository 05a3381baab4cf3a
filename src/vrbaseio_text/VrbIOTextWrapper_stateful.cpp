// Writing a stateful set: the encoder's state lives in the output buffer,
// and every line end and the end of the file return it to the initial
// state, so that a reader starting at any line's beginning decodes it.
#include <cstring>

#include "hx/hx_uchar.h"
#include "vrbaseio_text/VrbIOTextWrapper.h"

namespace {

constexpr char kReplacementText[] = "\xEF\xBF\xBD";
constexpr int kReplacementTextLength = 3;

// The character at `text` is one the run does not take (U+0000 or an
// invalid sequence): its internal-form bytes and what to write for it.
int unrunnable(const char* text, int length, const char** write, int* writeLength) {
    char padded[8] = {};
    std::memcpy(padded, text, static_cast<std::size_t>(length < 4 ? length : 4));
    int taken = 1;
    const int code = hx_uchar_toint(padded, &taken);
    if (taken > length) taken = length;
    if (code == 0) {
        *write = nullptr;   // U+0000: the encoding's zero byte
        *writeLength = 0;
    } else {
        *write = kReplacementText;
        *writeLength = kReplacementTextLength;
    }
    return taken < 1 ? 1 : taken;
}

}  // namespace

// The bytes that bring the encoder back to the initial state.
bool VrbIOTextWrapper::returnToInitialState() {
    char bytes[16];
    const int length = hx_uchar_reset_state(encodingId, &output.encoder(), bytes, sizeof bytes);
    return length == 0 || output.append(bytes, length) || outputFailed();
}

// The newline through the encoder, then back to the initial state (where
// the newline has not already brought it there), so the next line reads
// from the initial state.
bool VrbIOTextWrapper::writeNewlineWithState() {
    if (encodeRunWithState(newlineText, newlineTextLength) < 0) return outputFailed();
    return returnToInitialState();
}

// What the layer's run takes of the text, flushing as the buffer fills: it
// stops before U+0000 and before invalid text. Returns the text bytes
// taken, -1 when a flush failed.
int VrbIOTextWrapper::encodeRunWithState(const char* text, int length) {
    int done = 0;
    while (done < length) {
        int taken = 0;
        const int written = hx_uchar_encode_run_state(encodingId, text + done, length - done, output.end(),
                                                      output.room(), &taken, &output.encoder());
        output.commit(written);
        done += taken;
        if (done == length) break;
        // With room for any character, the run stopped at one it leaves to the caller.
        if (output.room() >= 16) {
            if (taken == 0) break;
            continue;
        }
        if (!output.flush()) return -1;
    }
    return done;
}

bool VrbIOTextWrapper::writeWithState(const char* text, int length) {
    while (length > 0) {
        const int taken = encodeRunWithState(text, length);
        if (taken < 0) return outputFailed();
        text += taken;
        length -= taken;
        if (length == 0) break;
        const char* replacement = nullptr;
        int replacementLength = 0;
        const int skipped = unrunnable(text, length, &replacement, &replacementLength);
        if (replacement) {
            if (encodeRunWithState(replacement, replacementLength) < 0) return outputFailed();
        } else {
            const char zero = 0;
            if (!returnToInitialState() || !output.append(&zero, 1)) return outputFailed();
        }
        text += skipped;
        length -= skipped;
    }
    return true;
}

// A field of `width` bytes: a character goes in only when it fits with the
// return to the initial state after it; that return, then the pad, fill
// the rest.
bool VrbIOTextWrapper::writeFieldWithState(const char* text, int length, int width) {
    while (length > 0) {
        char padded[8] = {};
        std::memcpy(padded, text, static_cast<std::size_t>(length < 4 ? length : 4));
        int taken = 1;
        int code = hx_uchar_toint(padded, &taken);
        if (taken > length) taken = length;
        if (code < 0) code = 0xFFFD;
        char one[8] = {};
        const int oneLength = hx_uchar_intcopy(code, one, sizeof one);
        hx_uchar_state after = output.encoder();
        char bytes[40];
        int size = 0;
        if (code == 0) {
            size = hx_uchar_reset_state(encodingId, &after, bytes, 16);
            bytes[size++] = 0;
        } else {
            int used = 0;
            size = hx_uchar_encode_run_state(encodingId, one, oneLength, bytes, 24, &used, &after);
        }
        hx_uchar_state closed = after;
        const int back = hx_uchar_reset_state(encodingId, &closed, bytes + size, 16);
        if (size + back > width) break;
        if (!output.append(bytes, size)) return outputFailed();
        output.encoder() = after;
        width -= size;
        text += taken;
        length -= taken;
    }
    const std::int64_t before = output.position();
    if (!returnToInitialState()) return false;
    width -= static_cast<int>(output.position() - before);
    return width <= 0 || output.pad(width) || outputFailed();
}
