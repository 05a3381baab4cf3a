#include "vrbaseio_text/LineCounter.h"

#include "vrbaseio_text/line_ends.h"

namespace vrb::text {

void LineCounter::character(int code) noexcept {
    if (code == kCarriageReturn) {
        carriageReturn();
    } else if (isLineEndCharacter(code)) {
        lineEnd();
    } else {
        text();
    }
}

// Line ends in the internal form are LF, FF and CR, NEL (C2 85), and LS and
// PS (E2 80 A8, E2 80 A9); every other byte is text or inside text.
void LineCounter::countText(const char* text, int length) noexcept {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (int i = 0; i < length; ++i) {
        const unsigned byte = bytes[i];
        if (byte > kCarriageReturn && byte != 0xC2 && byte != 0xE2) {
            afterCR = false;
        } else if (byte == kCarriageReturn) {
            carriageReturn();
        } else if (byte == kLineFeed || byte == 0x0C) {
            lineEnd();
        } else if (byte == 0xC2 && i + 1 < length && bytes[i + 1] == 0x85) {
            lineEnd();
            ++i;
        } else if (byte == 0xE2 && i + 2 < length && bytes[i + 1] == 0x80 && (bytes[i + 2] & 0xFE) == 0xA8) {
            lineEnd();
            i += 2;
        } else {
            afterCR = false;
        }
    }
}

}  // namespace vrb::text
