// The I/O service as hosts see it. Operations are declared in slot order;
// hosts call them through their slots, so never reorder.
#pragma once

#include "vrbaseio/VrbDirectoryListing.h"
#include "vrbclass/VrbString.h"
#include "vrbclass/VrbTxtFile.h"

// A location is a plain path, a "file" URI or a "hadoop" URI; every text
// beginning "hadoop:" is taken as a hadoop URI. Other schemes are refused.
// The service keeps no state of its own and must outlive every object it
// hands out; each object ends through its own destroy().
//
// Memory across the interface: objects are made by the module and freed
// only by their destroy(), never by delete. Text a read hands out belongs
// to its file. VrbString values cross by value, so a buffer the module
// allocated (errorText(), name(), a message written into *error) is freed
// by the host's VrbString code and the other way round: host and module
// must share one heap, which holds when both are built with the same
// toolchain (Linux: the process's libstdc++; Windows: MinGW-w64 against
// msvcrt.dll). A string may refer to the module's constant data, so the
// module must stay loaded while the host keeps strings from it (the
// loader of vrbclass/VrbServiceModule.h never unloads it).
class VrbIO {
public:
    // 1: a listing of the directory at `location`, positioned before its
    //    first entry (call next()). `listingFlags`: 0, VRB_LIST_FILES_ONLY
    //    or VRB_LIST_DIRS_ONLY. Null on failure, with the reason (naming
    //    the location, no secret shown) in *error; *error is left alone on
    //    success.
    virtual VrbDirectoryListing* openDirectory(const VrbString& location, int listingFlags, VrbString* error) = 0;
    // 2: the text file at `location`. `openMode`: 0 append, 1 read, 2 write
    //    (creates or empties the file). `encoding`: a character-set layer id,
    //    or -1 for the stream's choice (a local file: the locale's character
    //    set). `flags`: the VRB_TXT_* bits below. Null on failure, with the
    //    reason in *error (left alone on success): unknown scheme, missing
    //    file, a directory, refused permission, unknown encoding, a NEL
    //    newline the encoding cannot write.
    virtual VrbTxtFile* openTextFile(const VrbString& location, int openMode, int encoding, int flags,
                                     VrbString* error) = 0;
    // 3: ends the service. Objects it handed out must be destroyed first.
    virtual void destroy() = 0;

protected:
    ~VrbIO() = default;
};

// Text-open flags (openTextFile's `flags`; other bits are ignored).
enum : unsigned {
    // Writing: start the file with its encoding's byte-order mark (UTF-8,
    // UTF-16, UCS-2; nothing for the others). tell() counts the mark.
    VRB_TXT_WRITE_BOM = 0x00100000u,
    // Open only to check that the file can be opened: no writes, no buffer.
    VRB_TXT_CHECK_ONLY = 0x00200000u,
    // Reading: U+0000 in the file reads as U+FFFD. Without it a read stops
    // before U+0000, and the next read fails with message 728.
    VRB_TXT_NUL_AS_FFFD = 0x00400000u,
    // Reading: a byte-order mark (EF BB BF, FE FF, FF FE) chooses UTF-8,
    // UTF-16BE or UTF-16LE over the requested encoding; the mark is not text.
    VRB_TXT_DETECT_BOM = 0x00800000u,
    // Strict: nothing is replaced. Reading: a byte sequence malformed in the
    // file's encoding (a sequence cut by the end of the file included) is an
    // error, not U+FFFD: the read that meets it delivers the text before it,
    // and the next read fails (-1) without consuming it; errorText() then
    // names the location, the sequence's byte offset from the start of the
    // file (the byte-order mark counted, from 0), its line (from 1; unknown
    // once skipText or seek has passed over bytes unread), the encoding and
    // in hex the bytes that would have become one U+FFFD. Writing: a
    // character the encoding cannot represent (anywhere in the call's text,
    // a padded write's text past its width included) fails the write or
    // writeln that holds it and nothing of that call reaches the file or the
    // output position; errorText() names the character (U+XXXX), the
    // location, the byte offset it would have had and the encoding. skipText
    // and seek keep their contracts.
    VRB_TXT_STRICT = 0x01000000u,
    // Reading: choose the encoding from the file's first bytes before the
    // first read; encoding() reports the choice, and the requested encoding
    // counts only for text that is pure ASCII (kept when it reads ASCII as
    // ASCII, else UTF-8). The sample is the stream's first chunk, at most
    // 64 KiB: the stream is asked for a 64 KiB buffer and delivers at least
    // that much, or the whole file when it is shorter; nothing past the
    // sample is read before the first read asks for more, and the sample is
    // the first data read. The rules, first match wins: a byte-order mark
    // (UTF-8, UTF-32BE/LE, UTF-16BE/LE; the mark is not text and tell()
    // counts it); the zero bytes of UTF-16 or UTF-32 text without a mark;
    // valid UTF-8 with a non-ASCII character; pure ASCII; EBCDIC; otherwise
    // the legacy set whose reading looks most like text in one of the
    // languages it serves (hx_uchar_detect in hx/hx_uchar_detect.h). A
    // failing read of the sample fails the open like mark detection does.
    // Takes the place of VRB_TXT_DETECT_BOM when both are given.
    VRB_TXT_DETECT_ENCODING = 0x02000000u,
    // The bytes as they are on disk. Without it, reading decompresses a file
    // whose first bytes are a gzip, bzip2, xz or zstd signature, whatever
    // its name (a name alone never does), reading concatenated members,
    // streams and frames through; writing and appending compress when the
    // location's name ends in .gz, .bz2, .xz or .zst (any case), an append
    // adding a member, stream or frame. Positions (tell, seek, skipText)
    // count decompressed bytes; size() stays the size on disk. Damaged data
    // (cut, corrupt, a wrong checksum, bytes after the last member) is an
    // error: the read that meets it delivers the text before it, the next
    // read fails, and errorText() names the location, the format, what is
    // wrong and the decompressed byte offset.
    VRB_TXT_RAW_BYTES = 0x04000000u,
    // The newline writeln writes; the highest bit set wins. Without any,
    // NEL for encodings whose convention it is (EBCDIC), CR LF otherwise.
    VRB_TXT_NEWLINE_NEL = 0x10000000u,
    VRB_TXT_NEWLINE_LF = 0x20000000u,
    VRB_TXT_NEWLINE_CRLF = 0x40000000u,
    VRB_TXT_NEWLINE_CR = 0x80000000u,
};

// Listing flags (openDirectory's `listingFlags`).
enum : unsigned {
    VRB_LIST_FILES_ONLY = 0x40000000u,   // entries that are not directories
    VRB_LIST_DIRS_ONLY = 0x80000000u,    // directories only
};

// The one exported function: a new service, or null when memory is short.
// The name and signature are what hosts look up at run time.
typedef VrbIO* (*VrbIOInitializeFunction)();
#define VRB_IO_INITIALIZE_NAME "VrbIOInitialize"
