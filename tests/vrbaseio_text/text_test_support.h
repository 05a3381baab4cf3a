// Building text files in memory for the text layer's tests.
#pragma once

#include <string>
#include <vector>

#include "ScriptedRawStream.h"
#include "vrbaseio_text/VrbIOTextWrapper.h"

namespace texttest {

enum Encoding { kUtf8 = 0, kUtf16BE = 45, kUtf16LE = 46 };

// Code points to bytes; ids 0, 45, 46 and the UTF-32 ids of the layer.
std::string encode(const std::u32string& text, int encoding);
std::string utf8(const std::u32string& text);
int utf32LittleEndianId();
int utf32BigEndianId();

// The catalogue text of a message without arguments.
std::string message(int number);

// A text file opened over a scripted stream. The wrapper is destroyed with
// the object.
class ScriptedFile {
public:
    ScriptedFile(std::string content, int openMode, int encoding, int flags, std::vector<int> chunks = {},
                 int bufferSize = 4096);
    ~ScriptedFile();
    ScriptedFile(const ScriptedFile&) = delete;
    ScriptedFile& operator=(const ScriptedFile&) = delete;

    VrbIOTextWrapper* operator->() { return file; }
    VrbIOTextWrapper* get() { return file; }
    bool opened() const { return openResult; }
    ScriptedRawStream::Record* record() { return rec; }
    std::string error() { return file->errorText().asCstr(); }

private:
    VrbIOTextWrapper* file;
    ScriptedRawStream::Record* rec;
    bool openResult;
};

}  // namespace texttest
