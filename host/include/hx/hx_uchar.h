// Character-set layer: encodings known by integer id, single characters
// converted between file bytes, code points and the internal form (UTF-8).
// Tables are data: adding an encoding adds a row, not control flow.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Encoding ids. An id once given is never reused or renumbered: hosts store
// them. 0, 7, 8, 45 and 46 are fixed by the byte-order marks of the text
// layer (EF BB BF; FE FF; FF FE). The whole catalogue, with every name,
// alias and mapping source, is host/hxuchar/tables/encodings.txt; the ids
// named here are the ones code refers to.
//
//   id  canonical name  kind
//    0  UTF-8           the internal form itself
//    1  US-ASCII        single byte; bytes 80-FF are malformed
//    7  UCS-2BE         16-bit big-endian units, BMP only; never detected
//                       from a mark. A surrogate unit is malformed (length
//                       2); a character above U+FFFF is written as U+FFFD.
//    8  UCS-2LE         little-endian twin of 7
//   10  ISO-8859-1      single byte, byte n = U+00nn (10-25: ISO-8859-n)
//   32  windows-1252    single byte (30-38: windows-1250..1258). Bytes 80-9F
//                       a code page leaves undefined are the C1 controls of
//                       the same value, so that every byte round-trips.
//   45  UTF-16BE        also "UTF-16": big-endian when no mark says otherwise
//   46  UTF-16LE
//   47  UTF-32BE        also "UTF-32"; a value above 10FFFF or a surrogate is
//   48  UTF-32LE        malformed (length 4)
//   90  IBM037          EBCDIC (90-99, 120-139): default newline NEL, byte
//                       15 is U+0085 and 25 is U+000A
//  100  Shift_JIS       multi-byte East Asian sets (100-119)
//  105  GB18030         one, two or four bytes; all of Unicode
//
// Multi-byte sets replace a malformed sequence by one U+FFFD for its lead
// byte alone, so that the bytes after it (an ASCII line end, say) are read
// afresh; a sequence cut short by the end of the data is one U+FFFD unless
// an ASCII byte follows its lead byte.
enum {
    HX_ENC_UTF8 = 0,
    HX_ENC_USASCII = 1,
    HX_ENC_UCS2BE = 7,
    HX_ENC_UCS2LE = 8,
    HX_ENC_ISO8859_1 = 10,
    HX_ENC_WINDOWS1252 = 32,
    HX_ENC_UTF16BE = 45,
    HX_ENC_UTF16LE = 46,
    HX_ENC_UTF32BE = 47,
    HX_ENC_UTF32LE = 48,
    HX_ENC_IBM037 = 90,
    HX_ENC_IBM1047 = 122,
    HX_ENC_SHIFT_JIS = 100,
    HX_ENC_EUC_JP = 102,
    HX_ENC_GB18030 = 105,
    HX_ENC_BIG5 = 106,
    HX_ENC_EUC_KR = 108,
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
    HX_PROP_ASCII_RUNS = 0x80,    // at a character boundary every byte 00-7F is that
                                  // code point, one byte long (bytes 00-7F may still
                                  // occur inside longer characters: Shift_JIS, GBK)
    HX_PROP_BULK = 0x100,         // hx_uchar_decode_run and hx_uchar_encode_run serve
                                  // the encoding (the table-driven sets)
    HX_PROP_STATEFUL = 0x200,     // what bytes mean depends on escapes or shifts before
                                  // them, or one code stands for two characters (JIS X
                                  // 0213, Big5-HKSCS): read and write with the *_state
                                  // functions
};

// The encoding's canonical name, or null when the id is unknown.
const char* hx_uchar_encname(int id);
// Property bits (above); 0 for an unknown id.
int hx_uchar_encprop(int id);
// Most bytes one character takes in the encoding (at most 15); 0 for an
// unknown id.
int hx_uchar_chsize_max(int id);
// Most bytes one character takes in the internal form after decoding from
// this encoding; above 1 means the line buffer needs a spare byte. Bytes
// that do not decode are not counted: their replacement is the caller's.
// 0 for an unknown id.
int hx_uchar_xcsize_max(int id);

// Scans the character at `bytes`. There is no byte count: zero bytes follow
// the data, at least hx_uchar_chsize_max(id) - 1 of them (16 always suffice),
// and the scan never reads further. Returns the code point (0 for U+0000)
// and stores its byte length in *length; negative when the bytes do not form
// a valid character, *length then holding the bytes to skip: the maximal
// subpart, the longest prefix of a valid sequence, at least 1. Bad bytes
// therefore yield as many replacement characters as in other conforming
// decoders.
//
// The zero padding takes part in the scan, so a verdict reached on fewer
// bytes than the longest character may depend on it: UTF-8 "E2 82" before
// the padding is negative with length 2; UTF-16LE "41" scans as 'A' with
// length 2; UTF-16LE "3D D8 41" is an unpaired surrogate of length 2 only
// because the padding completed the unit after it. Callers decide such
// cases only once more data or the end of the data is known.
// An unknown id gives -1 with length 1.
int hx_uchar_chscan(int id, const char* bytes, int* length);
// The same for internal-form (UTF-8) text, exactly as hx_uchar_chscan(0,...):
// code point, or negative for an invalid sequence; *length = bytes taken,
// at least 1.
int hx_uchar_toint(const char* text, int* length);
// Writes code point `cp` in the internal form; returns its length, or 0 when
// it does not fit in `room` bytes (nothing written). Invalid code points
// (negative, surrogates, beyond U+10FFFF) are written as U+FFFD. A zero byte
// follows the character when the room has space for it (not counted).
int hx_uchar_intcopy(int cp, char* dest, int room);
// Encodes zero-terminated internal-form text into encoding `id`; returns the
// bytes written. A character the encoding cannot represent is written as the
// encoding's substitute: "?" in single-byte and multi-byte sets (6F in
// EBCDIC), U+FFFD in the Unicode ones
// (UCS-2 included). An invalid internal-form sequence counts as one U+FFFD per
// maximal subpart and so becomes U+FFFD or "?". Stops without a partial
// character when room runs out. An unknown id writes nothing and returns 0.
int hx_uchar_decode(int id, const char* text, char* dest, int room);
// Bulk conversion for the encodings with HX_PROP_BULK, so that a caller
// moves whole runs of text without a call per character. The per-character
// functions above are the reference these agree with: a run ends wherever
// the caller has something to decide, and the caller then takes one
// character the per-character way.
//
// Decodes whole, valid characters from `bytes` (at most `count` bytes;
// zero padding follows the data as for hx_uchar_chscan) into the internal
// form at `out` (at most `room` bytes). Stops before U+0000, before a
// malformed character or one that may continue past `count`, and, when
// `stopAtLineEnds` is set, before LF, FF, CR, NEL, LS and PS. Returns the
// internal-form bytes written and stores the file bytes taken in *taken.
// Encodings without HX_PROP_BULK take nothing.
int hx_uchar_decode_run(int id, const char* bytes, int count, int stopAtLineEnds, char* out, int room,
                        int* taken);
// Encodes internal-form text (`length` bytes, no terminator needed) into the
// encoding at `out` (at most `room` bytes), each character as
// hx_uchar_decode writes it, the set's substitute included. Stops before
// U+0000 and before an invalid sequence. Returns the bytes written and
// stores the text bytes taken in *taken.
int hx_uchar_encode_run(int id, const char* text, int length, char* out, int room, int* taken);

// Stateful encodings (HX_PROP_STATEFUL), where escape sequences or shifts
// change what the bytes after them mean. The caller owns the state: all
// zero is the initial state, and it carries from call to call, across
// chunks, as a plain value that may be copied and restored. The functions
// below serve every id; for a set without state they keep no state and
// behave as the per-character functions above.
typedef struct hx_uchar_state {
    unsigned int mode;
    unsigned int bits;
} hx_uchar_state;

// Most code points one step of a decoder yields.
enum { HX_UCHAR_MAX_CODES = 2 };

// One step of decoding at `bytes` in `*state` (zero padding follows the
// data as for hx_uchar_chscan; hx_uchar_chsize_max is the longest step).
// Returns how many code points it stored in codes[0, HX_UCHAR_MAX_CODES):
// 0 for an escape or shift, which is not text, 1, or 2 for a code that
// stands for two characters; negative when the bytes are one malformed
// sequence (one U+FFFD). *length = bytes taken, at least 1. *state becomes
// the state after the step, whatever the result. A step that needs the
// byte after the data to decide counts it in *length, so that a caller
// holding no more data waits for more; at the end of the data a step that
// yields text or no text stands as it is, its length cut to the data.
int hx_uchar_scan_state(int id, const char* bytes, hx_uchar_state* state, int* codes, int* length);
// hx_uchar_decode_run with a state: whole steps, escapes included, up to
// the first one the caller decides (as there); *state follows what was taken.
int hx_uchar_decode_run_state(int id, const char* bytes, int count, int stopAtLineEnds, char* out, int room,
                              int* taken, hx_uchar_state* state);
// hx_uchar_encode_run with a state: escapes and shifts are written where
// the text needs them, and *state follows what was written. A line end
// leaves the state in which a reader starting after it decodes the next
// line.
int hx_uchar_encode_run_state(int id, const char* text, int length, char* out, int room, int* taken,
                              hx_uchar_state* state);
// At the end of the data: 1 when the data ended inside a sequence that is
// one U+FFFD (a UTF-7 run cut short), *state then the initial state; else 0.
int hx_uchar_finish_state(int id, hx_uchar_state* state);
// The bytes that return *state to the initial state (written at the end of
// a file); 0 when it is there. `room` of 16 always suffices.
int hx_uchar_reset_state(int id, hx_uchar_state* state, char* out, int room);

// The id for a character-set name, compared without regard to case, with
// the usual aliases (among them the names nl_langinfo(CODESET) reports and
// "CP<n>" for Windows code pages). Unknown names give -1, an id
// hx_uchar_encname rejects.
int hx_uchar_getenc(const char* name);

// Enumeration for hosts: the number of encodings, the id at index i (in
// table order; -1 out of range), and the names of an id: index 0 is the
// canonical name, the aliases follow; null past the last or for an unknown id.
int hx_uchar_enccount(void);
int hx_uchar_encid(int index);
const char* hx_uchar_encalias(int id, int index);

#ifdef __cplusplus
}
#endif
