// Kernels that find and move runs of ASCII text, which every
// ASCII-transparent encoding decodes to the same single bytes. Each kernel
// set does the same work: the scalar set is the reference, the vector sets
// (SSE2, AVX2) must give exactly its results, and a test holds every set
// this build has against it on the same inputs.
//
// "Plain" bytes or units are 01-7F; with lineEnds, LF, FF and CR are not
// plain either. Kernels may store whole vector blocks past the end of the
// run they return, but never at or past `limit` (units of output).
#pragma once

#include <span>

namespace vrb::ascii {

struct Kernels {
    const char* name;
    // Copies the plain bytes of bytes[i, limit) to out[i, ...) and returns
    // the index of the first byte that is not plain, or limit.
    int (*copyPlainBytes)(const unsigned char* bytes, int i, int limit, char* out, bool lineEnds);
    // The length of the leading well-formed UTF-8 of bytes[0, limit) that
    // holds neither U+0000 nor a line end (kernels/text_end.h).
    int (*findTextEnd)(const unsigned char* bytes, int limit);
    // The same over 16- or 32-bit units (little- or big-endian) from the
    // start: the units' low bytes go to out; returns the plain units' count.
    int (*copyPlainUnits16)(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out);
    int (*copyPlainUnits32)(const unsigned char* bytes, int limit, bool bigEndian, bool lineEnds, char* out);
    // Writing: the leading internal-form bytes in 01-7F (at most `limit`)
    // stored as themselves (unit 1) or as 16-bit units (unit 2) in the
    // given byte order; returns how many. `out` has room for `limit` units.
    int (*storePlainText)(const unsigned char* text, int limit, char* out, int unit, bool bigEndian);
    // UTF-16 (little- or big-endian) to UTF-8 from the start of
    // units[0, limit): every character kernels/utf16_character.h takes,
    // stored at out within `room` bytes. Returns the units taken and their
    // bytes in *stored. Unlike the plain kernels it may store past the
    // bytes it reports, but never at or past `room`.
    int (*convertUnits16)(const unsigned char* units, int limit, bool bigEndian, bool lineEnds, char* out, int room,
                          int* stored);
};

extern const Kernels kScalarKernels;
#if defined(__x86_64__) || defined(_M_X64)
#define VRB_ASCII_X86_KERNELS 1
extern const Kernels kSse2Kernels;
extern const Kernels kAvx2Kernels;
#endif

// The fastest set this processor runs; cheap, so callers choose once each.
const Kernels& bestKernels() noexcept;
// Every set this build has, the scalar reference first, and whether this
// processor can run a set.
std::span<const Kernels* const> allKernels() noexcept;
bool canRun(const Kernels& kernels) noexcept;

}  // namespace vrb::ascii
