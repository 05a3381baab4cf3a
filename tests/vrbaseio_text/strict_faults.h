// Every kind of malformed sequence, each after text with line ends, with the
// byte offset, line and bytes strict reading reports for it, worked out by
// hand. The bytes are those that read as one U+FFFD: in the multi-byte sets
// the lead byte alone once an ASCII byte follows it (the GB18030 four-byte
// form has one second), the whole sequence when it is cut by the end.
// Shared by the text layer's tests (scripted chunks, fast paths on and off)
// and the conformance suite (every backend).
#pragma once

#include <string>
#include <vector>

#include "vrbaseio/VrbIO.h"

namespace strictfaults {

// Text before the fault, the lines a reader by line gets of it (the last
// one cut short by the fault unless empty) and the line the fault is on.
struct Prefix {
    std::string text;   // ASCII but for the UTF-8 prefix
    std::vector<std::string> lines;
    int line;
};
inline const Prefix kMixed{"a\r\nb\rc\nxy", {"a", "b", "c", "xy"}, 4};
inline const Prefix kBlank{"\r\r\n\n", {"", ""}, 3};
inline const Prefix kUtf8Ends{"\xC3\xA9\xC2\x85\xE2\x80\xA8", {"\xC3\xA9", ""}, 3};

struct Fault {
    const char* what;
    const char* encoding;
    const Prefix* prefix;
    std::string bad;       // the malformed bytes and what follows them
    bool atEnd;            // nothing follows (else "z" and LF do)
    long long offset;      // of the malformed sequence, the mark counted
    const char* shown;     // the bytes the message names
    unsigned flags = 0;    // beyond VRB_TXT_STRICT
};

// ASCII text in code units of `unit` bytes.
inline std::string widen(const std::string& ascii, int unit, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        std::string units(static_cast<std::size_t>(unit), '\0');
        units[bigEndian ? unit - 1 : 0] = c;
        out += units;
    }
    return out;
}

inline std::string fileBytes(const Fault& f) {
    const std::string name = f.encoding;
    const int unit = name.rfind("UTF-16", 0) == 0 ? 2 : name.rfind("UTF-32", 0) == 0 ? 4 : 1;
    const bool bigEndian = name.size() > 2 && name.compare(name.size() - 2, 2, "BE") == 0;
    const std::string mark = (f.flags & VRB_TXT_DETECT_BOM) ? "\xEF\xBB\xBF" : "";
    return mark + widen(f.prefix->text, unit, bigEndian) + f.bad + (f.atEnd ? "" : widen("z\n", unit, bigEndian));
}

inline std::string withZeros(const char* bytes, std::size_t length) { return std::string(bytes, length); }

inline const std::vector<Fault>& faults() {
    static const std::vector<Fault> all = {
        {"UTF-8 byte that starts nothing", "UTF-8", &kMixed, "\xFF", false, 9, "FF"},
        {"UTF-8 trail byte alone", "UTF-8", &kBlank, "\x80", false, 4, "80"},
        {"UTF-8 sequence broken by ASCII", "UTF-8", &kBlank, "\xE2\x82\x41", false, 4, "E2 82"},
        {"UTF-8 overlong two bytes", "UTF-8", &kMixed, "\xC0\xAF", false, 9, "C0"},
        {"UTF-8 overlong three bytes", "UTF-8", &kUtf8Ends, "\xE0\x80\xAF", false, 7, "E0"},
        {"UTF-8 surrogate", "UTF-8", &kMixed, "\xED\xA0\x80", false, 9, "ED"},
        {"UTF-8 beyond U+10FFFF", "UTF-8", &kMixed, "\xF4\x90\x80\x80", false, 9, "F4"},
        {"UTF-8 cut by the end", "UTF-8", &kUtf8Ends, "\xF0\x9F\x98", true, 7, "F0 9F 98"},
        {"UTF-8 after a mark", "UTF-8", &kMixed, "\xFE", false, 12, "FE", VRB_TXT_DETECT_BOM},
        {"UTF-16LE low surrogate alone", "UTF-16LE", &kMixed, withZeros("\x00\xDC", 2), false, 18, "00 DC"},
        {"UTF-16LE high surrogate before text", "UTF-16LE", &kBlank, withZeros("\x00\xD8", 2), false, 8, "00 D8"},
        {"UTF-16LE odd byte at the end", "UTF-16LE", &kMixed, "A", true, 18, "41"},
        {"UTF-16LE high surrogate cut by the end", "UTF-16LE", &kMixed, "\x3D\xD8\x41", true, 18, "3D D8 41"},
        {"UTF-16BE high surrogate at the end", "UTF-16BE", &kBlank, "\xD8\x3D", true, 8, "D8 3D"},
        {"UTF-32LE beyond U+10FFFF", "UTF-32LE", &kMixed, withZeros("\x00\x00\x11\x00", 4), false, 36, "00 00 11 00"},
        {"UTF-32LE surrogate", "UTF-32LE", &kBlank, withZeros("\x00\xD8\x00\x00", 4), false, 16, "00 D8 00 00"},
        {"UTF-32LE cut by the end", "UTF-32LE", &kMixed, withZeros("A\x00", 2), true, 36, "41 00"},
        {"UTF-32BE beyond U+10FFFF", "UTF-32BE", &kBlank, withZeros("\x00\x11\x00\x00", 4), false, 16, "00 11 00 00"},
        {"single-byte set: an undefined byte", "ISO-8859-3", &kMixed, "\xA5", false, 9, "A5"},
        {"Shift_JIS bad lead", "Shift_JIS", &kMixed, "\x80", false, 9, "80"},
        {"Shift_JIS bad trail", "Shift_JIS", &kBlank, "\x88 ", false, 4, "88"},
        {"Shift_JIS cut by the end", "Shift_JIS", &kMixed, "\x88", true, 9, "88"},
        {"EUC-JP bad lead", "EUC-JP", &kMixed, "\xFF", false, 9, "FF"},
        {"EUC-JP bad trail", "EUC-JP", &kBlank, "\xB0" "A", false, 4, "B0"},
        {"EUC-JP three bytes, bad third", "EUC-JP", &kMixed, "\x8F\xB0" "A", false, 9, "8F"},
        {"EUC-JP three bytes cut by the end", "EUC-JP", &kBlank, "\x8F\xB0", true, 4, "8F B0"},
        {"GB18030 bad lead", "GB18030", &kMixed, "\xFF", false, 9, "FF"},
        {"GB18030 bad trail", "GB18030", &kBlank, "\x81\x7F", false, 4, "81"},
        {"GB18030 four bytes, bad fourth", "GB18030", &kMixed, "\x81\x30\x81 ", false, 9, "81"},
        {"GB18030 four bytes cut by the end", "GB18030", &kBlank, "\x81\x30\x81", true, 4, "81"},
        {"Big5 bad lead", "Big5", &kMixed, "\x80", false, 9, "80"},
        {"Big5 bad trail", "Big5", &kBlank, "\xA4 ", false, 4, "A4"},
        {"EUC-KR bad trail", "EUC-KR", &kMixed, "\xB0 ", false, 9, "B0"},
    };
    return all;
}

// The message's text after the location.
inline std::string messageTail(const Fault& f) {
    return ": byte " + std::to_string(f.offset) + " (line " + std::to_string(f.prefix->line) + "): malformed " +
           f.encoding + " sequence " + f.shown;
}

}  // namespace strictfaults
