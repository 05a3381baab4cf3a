// The line a reading position is on, for the messages that name it.
#pragma once

#include <cstdint>

namespace vrb::text {

// Counts the line ends of line_ends.h in the characters consumed so far, as
// a reader going line by line from the start of the file meets them: CR LF,
// and a CR followed by any further CRs and one other line end, is one line
// end. It is told at the end of each read, so a read costs one step (reads
// by line) or one pass over the text it hands out (other reads).
class LineCounter {
public:
    // A character of text (not a line end) was consumed.
    void text() noexcept { afterCR = false; }
    // A line end was consumed whole (CR LF, LF, NEL, ...).
    void lineEnd() noexcept {
        if (!afterCR) ++ends;
        afterCR = false;
    }
    // A CR was consumed; what follows may belong to the same line end.
    void carriageReturn() noexcept {
        if (!afterCR) ++ends;
        afterCR = true;
    }
    // One character, by its code point.
    void character(int code) noexcept;
    // Internal-form (UTF-8) text whose every character was consumed.
    void countText(const char* text, int length) noexcept;
    // Bytes were skipped unread: the line is no longer known.
    void lose() noexcept { known = false; }

    bool isKnown() const noexcept { return known; }
    // The line (from 1) of the next character to be consumed.
    std::int64_t line() const noexcept { return ends + 1; }

private:
    // The whole 16-byte blocks at the start of `bytes` up to the first
    // that may hold NEL, LS or PS; returns the bytes counted.
    int countBlocks(const unsigned char* bytes, int length) noexcept;
    int countBytes(const unsigned char* bytes, int i, int end, int length) noexcept;

    // Invariant: ends is the number of line ends among the consumed
    // characters; afterCR says the last of them was a CR, so that a line
    // end now belongs to the one the CR started (a run of CRs, CR LF, CR
    // FF, ...); both mean nothing once known is false.
    std::int64_t ends = 0;
    bool afterCR = false;
    bool known = true;
};

}  // namespace vrb::text
