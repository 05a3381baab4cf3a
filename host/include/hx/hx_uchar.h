// Character-set layer: encodings known by integer id, single characters
// converted between file bytes, code points and the internal form (UTF-8).
// Tables are data: adding an encoding adds a row, not control flow.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Ids fixed by the byte-order-mark conventions of the text layer.
enum {
    HX_ENC_UTF8 = 0,
    HX_ENC_UCS2BE = 7,    // big-endian 16-bit units, BMP only; never detected from a mark
    HX_ENC_UCS2LE = 8,    // little-endian twin of 7
    HX_ENC_UTF16BE = 45,
    HX_ENC_UTF16LE = 46,
};

// Property bits (hx_uchar_encprop).
enum {
    HX_PROP_ASCII_BYTES = 0x01,   // every byte 00-7F is that code point, one byte long,
                                  // and no byte 00-7F occurs inside another character
    HX_PROP_ASCII_U16LE = 0x02,   // every 16-bit LE unit 0000-007F is that code point
    HX_PROP_ASCII_U16BE = 0x04,   // likewise big-endian
    HX_PROP_ASCII_U32LE = 0x08,   // every 32-bit LE unit 0-7F is that code point
    HX_PROP_NEL_NEWLINE = 0x10,   // the encoding's default newline is NEL (U+0085)
    HX_PROP_ASCII_U32BE = 0x20,   // likewise 32-bit big-endian
    HX_PROP_UTF8 = 0x40,          // the encoding is the internal form itself
};

// The encoding's canonical name, or null when the id is unknown.
const char* hx_uchar_encname(int id);
// Property bits (above); 0 for an unknown id.
int hx_uchar_encprop(int id);
// Most bytes one character takes in the encoding (at most 15).
int hx_uchar_chsize_max(int id);
// Most bytes one character takes in the internal form after decoding from
// this encoding; above 1 means the line buffer needs a spare byte.
int hx_uchar_xcsize_max(int id);

// Scans the character at `bytes`. There is no byte count: a zero byte
// follows the data. Returns the code point (0 for U+0000) and stores its byte
// length in *length; negative when the bytes do not form a complete valid
// character, *length then holding the bytes to skip (the maximal subpart,
// at least 1).
int hx_uchar_chscan(int id, const char* bytes, int* length);
// The same for internal-form (UTF-8) text: code point, or negative for an
// invalid sequence; *length = bytes taken, at least 1.
int hx_uchar_toint(const char* text, int* length);
// Writes code point `cp` in the internal form; returns its length, or 0 when
// it does not fit in `room` bytes (nothing written). Invalid code points
// (surrogates, beyond U+10FFFF) are written as U+FFFD.
int hx_uchar_intcopy(int cp, char* dest, int room);
// Encodes zero-terminated internal-form text into encoding `id`; returns the
// bytes written. A character the encoding cannot represent is written as the
// encoding's substitute ("?" or U+FFFD where it exists); invalid input as U+FFFD
// or its substitute. Stops (without a partial character) when room runs out.
int hx_uchar_decode(int id, const char* text, char* dest, int room);
// The id for a character-set name, compared without regard to case, with
// the usual aliases. Unknown names give -1, an id hx_uchar_encname rejects.
int hx_uchar_getenc(const char* name);

// Enumeration for hosts: the number of encodings, the id at index i (in
// table order), and the i-th alias of an id (null past the last).
int hx_uchar_enccount(void);
int hx_uchar_encid(int index);
const char* hx_uchar_encalias(int id, int index);

#ifdef __cplusplus
}
#endif
