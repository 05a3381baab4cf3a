// Kernels that find runs of ASCII text characters, which every
// ASCII-transparent encoding decodes to the same single bytes. The readers
// and writers use them to move such runs in bulk; the per-character path
// stays the reference they must agree with.
#pragma once

namespace vrb::ascii {

// Leading bytes of `bytes` (at most `limit`) in 01-7F; with lineEnds also
// not LF, FF or CR.
int textByteRun(const unsigned char* bytes, int limit, bool lineEnds) noexcept;
// textByteRun that also copies the run to `out` (room for `limit` bytes).
int textByteRunCopy(const unsigned char* bytes, int limit, bool lineEnds, char* out) noexcept;
// The same over 16-bit units (little- or big-endian): units 0001-007F, at
// most `limit` units; the run's low bytes are written to `out`.
int textUnit16Run(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) noexcept;
// The same over 32-bit units.
int textUnit32Run(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) noexcept;
// Leading bytes of internal-form text (at most `limit`) in 01-7F.
int plainAsciiRun(const unsigned char* text, int limit) noexcept;

// Reference versions, one byte or unit at a time.
int textByteRunScalar(const unsigned char* bytes, int limit, bool lineEnds) noexcept;
int textUnit16RunScalar(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out) noexcept;
int plainAsciiRunScalar(const unsigned char* text, int limit) noexcept;

}  // namespace vrb::ascii
