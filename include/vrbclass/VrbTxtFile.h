// The text-file base class of the host class library. The order of the
// virtual operations is the slot order hosts call through; never reorder.
#pragma once

#include <cstdint>

#include "vrbclass/VrbString.h"

enum VrbTxtFileOpenMode { VrbTxtFileAppend = 0, VrbTxtFileRead = 1, VrbTxtFileWrite = 2 };

// Texts are in the internal form (UTF-8). A read hands out a pointer to
// zero-terminated text that stays valid until the next operation on the
// file; the caller never frees it. Counts are bytes of the file unless said
// otherwise; a read never splits a character. Failures leave the reason in
// errorText(), naming the file and the cause.
class VrbTxtFile {
public:
    // Writes what is buffered and closes; false when that fails (the file
    // is closed all the same). May be called again.
    virtual bool close() = 0;                                                   // 1
    // The encoding id in effect (a detected byte-order mark may have chosen it).
    virtual int encoding() = 0;                                                 // 2
    // The last error message; empty when nothing failed.
    virtual VrbString errorText() = 0;                                          // 3
    // Text, line ends included, until `count` bytes of the file (-1: to the
    // end of the file). Returns the text's length (0 at the end), -1 on failure.
    virtual int readText(int count, char** text) = 0;                           // 4
    // Text covering `count` bytes of the file, fewer at its end. Returns the
    // bytes of the file taken, -1 on failure.
    virtual int readBytes(int count, char** text) = 0;                          // 5
    // As readBytes, but stopping after a line end, which is not part of the
    // text; *endOfLine tells whether it was reached.
    virtual int readBytesInLine(int count, char** text, bool* endOfLine) = 0;   // 6
    // The next line without its line end (LF, CR, CR LF, FF, NEL, LS, PS; a
    // run of CRs is one), at most `count` bytes of the file (-1: no limit).
    // Returns the text's length; *endOfLine is true when the line ended
    // (the last line counts as ended at the end of the file). 0 with
    // *endOfLine false is the end of the file; -1 a failure. U+0000 without
    // VRB_TXT_NUL_AS_FFFD: the text before it comes back (*endOfLine false)
    // and the next read fails with message 728, consuming nothing.
    // Malformed bytes read as U+FFFD.
    virtual int readLine(int count, char** text, bool* endOfLine) = 0;          // 7
    // Reading only: moves forward to byte units * unitSize after the
    // byte-order mark; a target behind the position is refused (336).
    virtual bool seek(int units, int unitSize) = 0;                             // 8
    // Closes (as close) and frees the file and its stream.
    virtual void destroy() = 0;                                                 // 9
    // The file's size in bytes.
    virtual std::int64_t size() = 0;                                            // 10
    // Reading only. With endOfLine: skips text up to and including the line
    // end or `count` bytes of text (-1: no limit) and returns the text bytes
    // skipped; without: skips `count` bytes. -1 on failure.
    virtual int skipText(int count, bool* endOfLine) = 0;                       // 11
    // The position in bytes from the start of the file, a byte-order mark
    // included.
    virtual std::int64_t tell() = 0;                                            // 12
    // Writing (13 to 22): text in the internal form, `length` bytes (no
    // terminator needed); U+0000 is written as the encoding's zero and a
    // character the encoding lacks as its substitute. With `width`: exactly
    // `width` bytes of the file, the text cut before the first character
    // that does not fit and padded with spaces. writeln adds the newline.
    // Output is buffered; false (with errorText) when the stream refuses
    // it. The VrbString and zero-terminated forms call the `length` ones.
    virtual bool write(const VrbString& text, int width);                       // 13 base
    virtual bool write(const char* text, int length, int width) = 0;            // 14
    virtual bool write(const VrbString& text);                                  // 15 base
    virtual bool write(const char* text, int length) = 0;                       // 16
    virtual bool write(const char* text);                                       // 17 base
    virtual bool writeln(const VrbString& text, int width);                     // 18 base
    virtual bool writeln(const char* text, int length, int width) = 0;          // 19
    virtual bool writeln(const VrbString& text);                                // 20 base
    virtual bool writeln(const char* text, int length) = 0;                     // 21
    virtual bool writeln(const char* text);                                     // 22 base

protected:
    VrbTxtFile() = default;
    ~VrbTxtFile() = default;
};

// Opens a text file by location (plain path, "file" or "hadoop" URI) through
// an I/O service that is loaded once (vrbFindServiceModule's search rule,
// vrbclass/VrbServiceModule.h) and kept for the life of the process.
// Arguments as VrbIO::openTextFile's. Null on failure with the reason in
// *error (which may be null); the caller ends the file with destroy().
VrbTxtFile* vrbTxtFileOpen(const char* path, VrbTxtFileOpenMode mode, int encoding, int flags, VrbString* error);
