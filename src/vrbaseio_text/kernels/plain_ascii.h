// What the kernels share: which values are plain text, and reading units.
#pragma once

namespace vrb::ascii {

inline bool isPlain(unsigned value, bool lineEnds) noexcept {
    if (value == 0 || value >= 0x80) return false;
    return !(lineEnds && (value == 0x0A || value == 0x0C || value == 0x0D));
}

inline unsigned unit16At(const unsigned char* p, bool bigEndian) noexcept {
    return bigEndian ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
}

inline unsigned unit32At(const unsigned char* p, bool bigEndian) noexcept {
    return bigEndian ? static_cast<unsigned>(p[0]) << 24 | static_cast<unsigned>(p[1]) << 16 | p[2] << 8 | p[3]
                     : static_cast<unsigned>(p[3]) << 24 | static_cast<unsigned>(p[2]) << 16 | p[1] << 8 | p[0];
}

// The scalar kernels, which the vector ones finish their tails with.
int copyPlainBytesScalar(const unsigned char* bytes, int i, int limit, char* out, bool lineEnds);
int copyPlainUnits16Scalar(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out);
int copyPlainUnits32Scalar(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out);
int storePlainTextScalar(const unsigned char* text, int limit, char* out, int unit, bool bigEndian);

}  // namespace vrb::ascii
