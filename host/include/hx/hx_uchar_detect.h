// Character-set layer: choosing the encoding of bytes that do not say.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Chooses the encoding of `length` bytes from the start of a file (no zero
// padding needed) and returns its id. The first rule that holds decides:
//   1. a byte-order mark: UTF-8, UTF-32LE/BE (00 00 FE FF, FF FE 00 00,
//      tested before FF FE), UTF-16LE/BE; *markLength gets its length;
//   2. zero bytes in the pattern of UTF-32 or UTF-16 text (either order);
//   3. valid UTF-8 holding a non-ASCII sequence: UTF-8 (a sequence cut by
//      the end of the bytes counts as valid);
//   4. nothing above 0x7F: `requested` when it reads ASCII as ASCII,
//      otherwise UTF-8 (so empty input gives one of the two as well);
//   5. the byte profile of EBCDIC text: the EBCDIC page whose letters fit;
//   6. the single-byte or multi-byte legacy set under which the bytes read
//      most like text of a language the set is written in.
// *confidence (0-100) says how sure the choice is: 100 for rules 1 and 4,
// less for a statistical choice. Pointers may be null; a negative length
// counts as 0. Reads nothing past `length` bytes and allocates nothing.
int hx_uchar_detect(const char* bytes, int length, int requested, int* confidence, int* markLength);

#ifdef __cplusplus
}
#endif
