// The text file handed to hosts: characters over a raw byte stream, in any
// encoding of the character-set layer.
#pragma once

#include <cstdint>

#include "vrbaseio/VrbIO.h"
#include "vrbaseio_core/VrbIORaw.h"
#include "vrbclass/VrbString.h"
#include "vrbclass/VrbTxtFile.h"
#include "vrbaseio_text/EncodingTraits.h"
#include "vrbaseio_text/InputCursor.h"
#include "vrbaseio_text/OutputBuffer.h"
#include "vrbaseio_text/kernels/ascii_kernels.h"
#include "vrbaseio_text/line_ends.h"

class VrbIOTextWrapper final : public VrbTxtFile {
public:
    // Takes ownership of `raw` at once (it may be null; open then fails).
    VrbIOTextWrapper(VrbIO* owner, VrbIORaw* raw, int openMode, int encoding, int flags) noexcept;

    // Opens the raw stream and prepares encoding, byte-order mark, newline,
    // pad and buffer. Called once; on false errorText() says why.
    bool open();

    bool close() override;
    int encoding() override;
    VrbString errorText() override;
    int readText(int count, char** text) override;
    int readBytes(int count, char** text) override;
    int readBytesInLine(int count, char** text, bool* endOfLine) override;
    int readLine(int count, char** text, bool* endOfLine) override;
    // Forward only. In a stateful encoding (escapes, shifts) the bytes
    // passed over are scanned for them without being decoded: at a position
    // tell() reported, in this file or an earlier opening of it, reading
    // goes on in the state the reader had there; a position inside a
    // character or escape starts in the initial state. Memory stays one
    // chunk, however far the seek goes.
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
    // Switches off handing lines out where they lie in the chunk, so that
    // tests can hold those lines against the copied ones.
    void setLinesInPlaceEnabled(bool enabled) noexcept { linesInPlace = enabled; }

private:
    // What one read asks for (see fillLineBuffer in the source).
    struct ReadRequest {
        int minBytes;
        int maxBytes;
        bool lineEnds;
    };

    // The steps of open, in order.
    bool openRaw();
    bool detectByteOrderMark();
    bool detectEncoding();
    bool detects() const;
    bool takeEncoding();
    bool prepareNewlineAndPad();
    bool encodeNewline(const int* newline, int count, char* bytes, int* length);
    bool openOutput();
    bool writeByteOrderMark();

    ~VrbIOTextWrapper() = default;

    // Capacity of a buffer for `size` bytes; false (message set) beyond int.
    bool bufferCapacity(std::int64_t size, int* capacity);
    // Makes lineBuffer hold at least `size` bytes, keeping its first `keep`
    // bytes and the byte after them.
    bool growLineBuffer(std::int64_t size, int keep);

    // Reading.
    int fillLineBuffer(int minBytes, int maxBytes, char** text, bool* endOfLine);
    int fillCharacter(const ReadRequest& request, std::int64_t* consumed, vrb::text::LineState* lineState);
    int handOutLine(const ReadRequest& request, std::int64_t consumed, vrb::text::LineState lineState, char** text,
                    bool* endOfLine);
    int skipLineText(int count, bool* endOfLine);
    bool skipBytes(std::int64_t count);
    bool skipStatefulBytes(std::int64_t count);
    int takeShift(const ReadRequest& request, const vrb::text::InputCursor::Character& shift, std::int64_t* consumed,
                  vrb::text::LineState lineState);
    int storeCharacter(int code);
    int bulkRun(int maxBytes, std::int64_t consumed, bool lineEnds, vrb::text::LineState* lineState);
    int byteRun(int maxBytes, std::int64_t consumed, bool lineEnds, vrb::text::LineState* lineState);
    int unitRun(int maxBytes, std::int64_t consumed, bool lineEnds, vrb::text::LineState* lineState);
    int tableRun(int maxBytes, std::int64_t consumed, bool lineEnds, vrb::text::LineState* lineState);
    int copyAsciiRun(int minBytes, int maxBytes, std::int64_t consumed, bool lineEnds);
    int lineInPlace(int maxBytes, char** text);
    // Whether the read refuses the character at the cursor (U+0000, or a
    // malformed sequence when strict), and the message that says where.
    bool refuses(const vrb::text::InputCursor::Character& next) const noexcept;
    VrbString refusal(const vrb::text::InputCursor::Character& next);
    // Tells the line counter what a read that ends in `lineState` consumed.
    void countLines(const ReadRequest& request, vrb::text::LineState lineState);

    // Strict writing: the first character of a call's text that the
    // encoding cannot write, and the output bytes before it in the call.
    struct Unwritable {
        int code = 0;
        std::int64_t offset = 0;
    };
    bool findUnwritable(const char* text, int length, Unwritable* found) const;
    // True, with the message in lastError, when the text holds such a
    // character. Kept out of the write paths, which it would slow when inlined.
    [[gnu::cold, gnu::noinline]] bool refuseUnwritable(const char* text, int length);

    // Writing a stateful set (the encoder's state is the output's).
    bool writeWithState(const char* text, int length);
    bool writeFieldWithState(const char* text, int length, int width);
    int encodeRunWithState(const char* text, int length);
    bool returnToInitialState();
    bool writeNewline();
    bool writeNewlineWithState();

    // Sets lastError for the output's failed flush; returns false.
    bool outputFailed();

    // True, with message 336 in lastError, when the file is not open for
    // what the caller wants.
    bool refuseUnlessReading() { return openMode != VrbTxtFileRead && refuse(); }
    bool refuseUnlessWriting() {
        return (openMode == VrbTxtFileRead || (flags & VRB_TXT_CHECK_ONLY) || !output.isOpen()) && refuse();
    }
    bool refuse();

    VrbIO* owner;
    VrbIORaw* raw;
    int openMode;   // a VrbTxtFileOpenMode
    int encodingId;
    std::uint32_t flags;
    int bomLength = 0;
    int bufferSize = 0;
    vrb::text::EncodingTraits traits;
    vrb::text::InputCursor input;
    vrb::text::OutputBuffer output;
    // The text a read hands out: lineBuffer[0, lineLength), then a zero;
    // lineBufferSize bytes are held.
    char* lineBuffer = nullptr;
    int lineBufferSize = 0;
    int lineLength = 0;
    VrbString lastError;
    // The newline in the internal form: a stateful set writes it through
    // its encoder, which ends a run as the set would before it.
    char newlineText[16] = {};
    int newlineTextLength = 0;
    bool fastPaths = true;
    bool linesInPlace = true;
    const vrb::ascii::Kernels* kernels = &vrb::ascii::bestKernels();
    // What a read hands out before any line buffer exists.
    char emptyText[1] = {};
};
