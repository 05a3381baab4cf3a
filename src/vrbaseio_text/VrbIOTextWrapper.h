// The text file handed to hosts: characters over a raw byte stream, in any
// encoding of the character-set layer.
#pragma once

#include <cstdint>

#include "vrbaseio/VrbIO.h"
#include "vrbaseio_core/VrbIORaw.h"
#include "vrbclass/VrbString.h"
#include "vrbclass/VrbTxtFile.h"
#include "vrbaseio_text/InputCursor.h"
#include "vrbaseio_text/kernels/ascii_kernels.h"
#include "vrbaseio_text/line_ends.h"

class VrbIOImpl;

class VrbIOTextWrapper final : public VrbTxtFile {
public:
    // Takes ownership of `raw` at once (it may be null; open then fails).
    VrbIOTextWrapper(VrbIOImpl* owner, VrbIORaw* raw, int openMode, int encoding, int flags) noexcept;

    // Opens the raw stream and prepares encoding, byte-order mark, newline,
    // pad and buffer. Called once; on false errorText() says why.
    bool open();
    // Makes lineBuffer hold at least `size` bytes (see growLineBuffer in the
    // source), keeping its first `keep` bytes and the byte after them.
    bool growLineBuffer(std::int64_t size, int keep);
    // Appends bytes already in the file's encoding to the output buffer,
    // flushing it first when they do not fit.
    bool appendBytes(const char* bytes, int length, bool advancePosition);

    bool close() override;
    int encoding() override;
    VrbString errorText() override;
    int readText(int count, char** text) override;
    int readBytes(int count, char** text) override;
    int readBytesInLine(int count, char** text, bool* endOfLine) override;
    int readLine(int count, char** text, bool* endOfLine) override;
    bool seek(int units, int unitSize) override;
    void destroy() override;
    std::int64_t size() override;
    int skipText(int count, bool* endOfLine) override;
    std::int64_t tell() override;
    using VrbTxtFile::write;
    using VrbTxtFile::writeln;
    bool write(const char* text, int length, int width) override;
    bool write(const char* text, int length) override;
    bool writeln(const char* text, int length, int width) override;
    bool writeln(const char* text, int length) override;

    // Switches the fast paths over runs of ASCII off, so that tests can hold
    // them against the per-character reference path.
    void setFastPathsEnabled(bool enabled) noexcept { fastPaths = enabled; }
    // The kernel set the fast paths use (the processor's best by default).
    void setKernels(const vrb::ascii::Kernels& chosen) noexcept { kernels = &chosen; }

private:
    // How runs of characters are taken in bulk, decided at open from the
    // encoding's properties.
    struct Bulk {
        int unit = 0;           // 1: ASCII bytes stand for themselves; 2, 4: ASCII code units; 0: none
        bool utf8 = false;      // the encoding is the internal form
        bool table = false;     // the character-set layer converts runs (table-driven sets)
        bool bigEndian = false;
        bool wideBmp = false;   // UTF-16: BMP characters too
    };
    static Bulk bulkFor(int properties, int maxCharSize);

    // The steps of open, in order.
    bool openRaw();
    bool detectByteOrderMark();
    bool takeEncodingProperties();
    bool prepareNewlineAndPad();
    bool writeByteOrderMark();

    ~VrbIOTextWrapper() = default;

    int fillLineBuffer(int minBytes, int maxBytes, char** text, bool* endOfLine);
    int skipLineText(int count, bool* endOfLine);
    bool skipBytes(std::int64_t count);
    int storeCharacter(int code);
    int bulkRun(int maxBytes, std::int64_t consumed, bool lineEnds, vrb::text::LineState* lineState);
    int byteRun(int maxBytes, std::int64_t consumed, bool lineEnds, vrb::text::LineState* lineState);
    int unitRun(int maxBytes, std::int64_t consumed, bool lineEnds, vrb::text::LineState* lineState);
    int tableRun(int maxBytes, std::int64_t consumed, bool lineEnds, vrb::text::LineState* lineState);
    int copyAsciiRun(int minBytes, int maxBytes, std::int64_t consumed, bool lineEnds);
    bool putOutput(const char* bytes, int length);
    bool flushOutput();
    // True, with message 336 in lastError, when the file is not open for
    // what the caller wants.
    bool refuseUnlessReading() { return openMode != 1 && refuse(); }
    bool refuseUnlessWriting() {
        return (openMode == 1 || (flags & VRB_TXT_CHECK_ONLY) || !lineBuffer) && refuse();
    }
    bool refuse();

    VrbIOImpl* owner;
    VrbIORaw* raw;
    int openMode;
    int encodingId;
    int bomLength = 0;
    int maxCharSize = 1;
    int maxExtCharSize = 1;
    std::uint32_t flags;
    int properties = 0;
    int bufferSize = 0;
    char newlineBytes[16] = {};
    int newlineLength = 0;
    char padBytes[16] = {};
    int padLength = 0;
    int zeroLength = 1;   // bytes of U+0000, all zero
    char* lineBuffer = nullptr;
    int lineBufferSize = 0;
    int lineLength = 0;
    // Bytes written so far after the byte-order mark (the output position).
    std::int64_t position = 0;
    vrb::text::InputCursor input;
    Bulk bulk;
    VrbString lastError;
    bool fastPaths = true;
    const vrb::ascii::Kernels* kernels = &vrb::ascii::bestKernels();
    // What a read hands out before any line buffer exists.
    char emptyText[1] = {};
};
