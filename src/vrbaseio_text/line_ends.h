// The line-end rule, in one place: the characters of hx/hx_line_ends.h end
// a line (LF, FF, NEL, LS, PS); CR ends it too, and an LF (or another line
// end) right after the CR belongs to the same line end, as does any further
// CR, so a run of CRs is one line end. Any other character after a CR
// starts the next line.
#pragma once

#include <cstdint>

#include "hx/hx_line_ends.h"

namespace vrb::text {

enum class LineState {
    Text,             // inside a line (or before its first character)
    Ended,            // the line end has been taken
    EndedBeforeNext,  // the line ended at a CR; the character after it starts the next line
    AfterCR,          // a CR has been taken; what follows decides
};

constexpr int kCarriageReturn = hxuchar::kCarriageReturn;
constexpr int kLineFeed = hxuchar::kLineFeed;

// Whether a byte or code unit is an ASCII line end, which the bulk paths
// take without decoding.
using hxuchar::isAsciiLineEnd;

// Whether `code` could take part in a line end at all (negative: no).
inline bool isLineEndCharacter(int code) {
    return hxuchar::isLineEndCharacter(static_cast<std::uint32_t>(code));
}

// What one character does to a line in `state`.
struct LineStep {
    LineState state;  // the state after the character
    bool taken;       // the character is consumed (false only for the one after a line-ending CR)
    bool text;        // it is text of the line
};

inline LineStep stepLine(LineState state, int code) {
    if (isLineEndCharacter(code)) {
        return {code == kCarriageReturn ? LineState::AfterCR : LineState::Ended, true, false};
    }
    if (state == LineState::AfterCR) return {LineState::EndedBeforeNext, false, false};
    return {LineState::Text, true, true};
}

// A line end at the start of `available` bytes, for the bulk paths: the
// character there is read by `scan(offset, &length)` (a code point, or
// negative). Takes a line end, and CR together with the character after
// it when that is an LF; a CR followed by anything else is taken
// alone with the state AfterCR. Returns the bytes taken, 0 when the bytes
// available cannot decide (the per-character path then takes over).
template <typename Scan>
int takeLineEnd(Scan scan, int limit, int available, LineState* state) {
    int length = 0;
    const int code = scan(0, &length);
    if (code <= 0 || length > limit) return 0;
    const LineStep step = stepLine(LineState::Text, code);
    if (step.state == LineState::Ended) {
        *state = LineState::Ended;
        return length;
    }
    if (step.state != LineState::AfterCR || length >= available) return 0;
    int nextLength = 0;
    const int next = scan(length, &nextLength);
    if (next < 0 || nextLength > available - length) return 0;
    if (next == kLineFeed) {
        *state = LineState::Ended;
        return length + nextLength;
    }
    *state = LineState::AfterCR;
    return length;
}

}  // namespace vrb::text
