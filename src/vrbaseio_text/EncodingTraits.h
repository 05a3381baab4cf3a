// What the text layer needs to know of an encoding, worked out once when a
// file opens from what the character-set layer says of it.
#pragma once

namespace vrb::text {

struct EncodingTraits {
    // Bytes of one code unit (1, 2 or 4): what an ASCII character takes.
    // U+0000 is that many zero bytes in every encoding the layer knows.
    int codeUnit = 1;
    // 16- and 32-bit units are big-endian.
    bool bigEndian = false;
    // Runs of ASCII characters are taken in bulk, each as one unit of this
    // many bytes; 0 when they are not (byte-wise sets where bytes 00-7F are
    // not ASCII).
    int bulkUnit = 0;
    // Writing copies runs of ASCII characters as bulkUnit units each: the
    // set writes every ASCII character as it reads it (Mac Arabic, which
    // reads 20 and A0 as a space, writes A0).
    bool plainWrites = false;
    // The encoding is the internal form (UTF-8).
    bool utf8 = false;
    // The character-set layer converts runs itself (the table-driven sets).
    bool tableDriven = false;
    // UTF-16: BMP characters beyond ASCII are taken in bulk too.
    bool wideBmp = false;
    // Escapes or shifts change what the bytes after them mean: the
    // character-set layer reads and writes with a state.
    bool stateful = false;
    // The encoding's own newline is NEL.
    bool nelNewline = false;
    // Bytes of the longest character in the file (1 to 15: the input's join
    // area holds that many) and in the internal form once decoded.
    int maxCharSize = 1;
    int maxInternalSize = 1;

    int zeroLength() const noexcept { return codeUnit; }

    // The traits of a known encoding id.
    static EncodingTraits of(int encodingId) noexcept;
};

}  // namespace vrb::text
