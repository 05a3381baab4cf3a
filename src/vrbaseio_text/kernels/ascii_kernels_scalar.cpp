// The reference kernels: one byte or unit at a time.
#include "vrbaseio_text/kernels/ascii_kernels.h"

#include "vrbaseio_text/kernels/plain_ascii.h"
#include "vrbaseio_text/kernels/text_end.h"
#include "vrbaseio_text/kernels/utf16_character.h"

namespace vrb::ascii {

int copyPlainBytesScalar(const unsigned char* bytes, int i, int limit, char* out, bool lineEnds) {
    for (; i < limit && isPlain(bytes[i], lineEnds); ++i) out[i] = static_cast<char>(bytes[i]);
    return i;
}

int findTextEndScalar(const unsigned char* bytes, int limit) { return textEndScalar(bytes, 0, limit); }

int copyPlainUnits16Scalar(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) {
    int i = 0;
    for (; i < limit; ++i) {
        const unsigned value = unit16At(bytes + 2 * i, bigEndian);
        if (!isPlain(value, lineEnds)) break;
        out[i] = static_cast<char>(value);
    }
    return i;
}

int copyPlainUnits32Scalar(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) {
    int i = 0;
    for (; i < limit; ++i) {
        const unsigned value = unit32At(bytes + 4 * i, bigEndian);
        if (!isPlain(value, lineEnds)) break;
        out[i] = static_cast<char>(value);
    }
    return i;
}

int storePlainTextScalar(const unsigned char* text, int limit, char* out, int unit, bool bigEndian) {
    int i = 0;
    for (; i < limit && text[i] != 0 && text[i] < 0x80; ++i) {
        if (unit == 1) {
            out[i] = static_cast<char>(text[i]);
        } else {
            out[2 * i + (bigEndian ? 1 : 0)] = static_cast<char>(text[i]);
            out[2 * i + (bigEndian ? 0 : 1)] = 0;
        }
    }
    return i;
}

int convertUnits16Scalar(const unsigned char* units, int limit, bool bigEndian, bool lineEnds, char* out, int room,
                         int* stored) {
    *stored = 0;
    return utf16Characters(units, 0, limit, bigEndian, lineEnds, out, room, stored);
}

const Kernels kScalarKernels = {"scalar",         copyPlainBytesScalar, findTextEndScalar,   copyPlainUnits16Scalar,
                                copyPlainUnits32Scalar, storePlainTextScalar, convertUnits16Scalar};

}  // namespace vrb::ascii
