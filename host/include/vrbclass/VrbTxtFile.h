// The text-file base class of the host class library. The order of the
// virtual operations is the slot order hosts call through; never reorder.
#pragma once

#include <cstdint>

#include "vrbclass/VrbString.h"

enum VrbTxtFileOpenMode { VrbTxtFileAppend = 0, VrbTxtFileRead = 1, VrbTxtFileWrite = 2 };

class VrbTxtFile {
public:
    virtual bool close() = 0;                                                   // 1
    virtual int encoding() = 0;                                                 // 2
    virtual VrbString errorText() = 0;                                          // 3
    virtual int readText(int count, char** text) = 0;                           // 4
    virtual int readBytes(int count, char** text) = 0;                          // 5
    virtual int readBytesInLine(int count, char** text, bool* endOfLine) = 0;   // 6
    virtual int readLine(int count, char** text, bool* endOfLine) = 0;          // 7
    virtual bool seek(int units, int unitSize) = 0;                             // 8
    virtual void destroy() = 0;                                                 // 9
    virtual std::int64_t size() = 0;                                            // 10
    virtual int skipText(int count, bool* endOfLine) = 0;                       // 11
    virtual std::int64_t tell() = 0;                                            // 12
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
// an I/O service that is loaded once and kept for the life of the process.
// Null on failure with the reason in *error.
VrbTxtFile* vrbTxtFileOpen(const char* path, VrbTxtFileOpenMode mode, int encoding, int flags, VrbString* error);
