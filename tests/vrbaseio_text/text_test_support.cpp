#include "text_test_support.h"

#include "hx/hx_uchar.h"
#include "vrbclass/vrb_message.h"

namespace texttest {

namespace {

void putUnit16(std::string* out, unsigned unit, bool bigEndian) {
    char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    if (bigEndian) {
        out->push_back(hi);
        out->push_back(lo);
    } else {
        out->push_back(lo);
        out->push_back(hi);
    }
}

int findId(const char* name) { return hx_uchar_getenc(name); }

}  // namespace

std::string message(int number) { return vrb_get_message("", 0, "Base Services", number).asCstr(); }

int utf32LittleEndianId() { return findId("UTF-32LE"); }
int utf32BigEndianId() { return findId("UTF-32BE"); }

std::string utf8(const std::u32string& text) { return encode(text, kUtf8); }

std::string encode(const std::u32string& text, int encoding) {
    std::string out;
    for (char32_t c : text) {
        unsigned cp = static_cast<unsigned>(c);
        if (encoding == kUtf8) {
            if (cp < 0x80) {
                out.push_back(static_cast<char>(cp));
            } else if (cp < 0x800) {
                out.push_back(static_cast<char>(0xC0 | cp >> 6));
                out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
            } else if (cp < 0x10000) {
                out.push_back(static_cast<char>(0xE0 | cp >> 12));
                out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
                out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
            } else {
                out.push_back(static_cast<char>(0xF0 | cp >> 18));
                out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
                out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
                out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
            }
        } else if (encoding == kUtf16BE || encoding == kUtf16LE) {
            bool be = encoding == kUtf16BE;
            if (cp >= 0x10000) {
                cp -= 0x10000;
                putUnit16(&out, 0xD800 | cp >> 10, be);
                putUnit16(&out, 0xDC00 | (cp & 0x3FF), be);
            } else {
                putUnit16(&out, cp, be);
            }
        } else {
            bool be = encoding == utf32BigEndianId();
            for (int i = 0; i < 4; ++i) {
                int shift = be ? 24 - 8 * i : 8 * i;
                out.push_back(static_cast<char>(cp >> shift & 0xFF));
            }
        }
    }
    return out;
}

ScriptedFile::ScriptedFile(std::string content, int openMode, int encoding, int flags, std::vector<int> chunks,
                           int bufferSize) {
    ScriptedRawStream* raw = ScriptedRawStream::create(std::move(content), std::move(chunks));
    rec = raw->record();
    rec->openBufferSize = bufferSize;
    file = new VrbIOTextWrapper(nullptr, raw, openMode, encoding, flags);
    openResult = file->open();
}

ScriptedFile::~ScriptedFile() { file->destroy(); }

}  // namespace texttest
