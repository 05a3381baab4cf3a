// Runs the character-set layer over framed records for the reference
// comparison (compare_with_reference.py). Records on stdin and stdout are a
// 4-byte little-endian length followed by that many bytes.
//
//   hxuchar_codec_driver list          id, chsize_max and name per line
//   hxuchar_codec_driver lookup        the id of each name on stdin, a line each
//   hxuchar_codec_driver decode ID     file bytes -> internal form
//   hxuchar_codec_driver encode ID     internal form -> file bytes
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "hx/hx_uchar.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr int kPaddingBytes = 16;

bool readRecord(std::string& record) {
    unsigned char header[4];
    if (!std::cin.read(reinterpret_cast<char*>(header), 4)) return false;
    std::uint32_t length = header[0] | (header[1] << 8) | (header[2] << 16) | (std::uint32_t{header[3]} << 24);
    record.resize(length);
    return length == 0 || static_cast<bool>(std::cin.read(record.data(), length));
}

void writeRecord(const std::string& record) {
    auto length = static_cast<std::uint32_t>(record.size());
    char header[4];
    for (int i = 0; i < 4; ++i) header[i] = static_cast<char>(length >> (8 * i));
    std::cout.write(header, 4);
    std::cout.write(record.data(), static_cast<std::streamsize>(record.size()));
}

void appendInternal(int code, std::string& out) {
    char bytes[8];
    int length = hx_uchar_intcopy(code, bytes, sizeof bytes);
    out.append(bytes, static_cast<std::size_t>(length));
}

int codeUnit(int id) {
    const int properties = hx_uchar_encprop(id);
    if (properties & (HX_PROP_ASCII_U32LE | HX_PROP_ASCII_U32BE)) return 4;
    if (properties & (HX_PROP_ASCII_U16LE | HX_PROP_ASCII_U16BE)) return 2;
    return 1;
}

// The reading engine's view: the data followed by zero bytes and no count.
// A negative code costs one U+FFFD and the stored length; a length beyond
// the data ends it with one U+FFFD for the rest, and so does a UTF-16 high
// surrogate followed by half a unit at the end (a cut pair).
bool decodeRecord(int id, const std::string& data, std::string& out) {
    // Exactly sized, so that a scan past the padding trips the sanitizers.
    std::unique_ptr<char[]> buffer(new char[data.size() + kPaddingBytes]());
    std::memcpy(buffer.get(), data.data(), data.size());
    std::size_t position = 0;
    while (position < data.size()) {
        int length = 0;
        int code = hx_uchar_chscan(id, buffer.get() + position, &length);
        if (length < 1 || length > hx_uchar_chsize_max(id)) {
            std::fprintf(stderr, "encoding %d: length %d at offset %zu\n", id, length, position);
            return false;
        }
        std::size_t left = data.size() - position;
        // Table-driven sets never count the zero padding into a character;
        // the 16- and 32-bit forms do, to complete a unit.
        if ((hx_uchar_encprop(id) & HX_PROP_BULK) && static_cast<std::size_t>(length) > left) {
            std::fprintf(stderr, "encoding %d: length %d runs past the data at offset %zu\n", id, length, position);
            return false;
        }
        if (static_cast<std::size_t>(length) > left) {
            code = 0xFFFD;
            length = static_cast<int>(left);
        } else if (code < 0) {
            code = 0xFFFD;
            const bool bigEndian = (hx_uchar_encprop(id) & HX_PROP_ASCII_U16BE) != 0;
            const auto lead = static_cast<unsigned char>(data[position + (bigEndian ? 0 : 1)]);
            if (codeUnit(id) == 2 && hx_uchar_chsize_max(id) == 4 && left == 3 && lead >= 0xD8 && lead <= 0xDB) {
                length = static_cast<int>(left);
            }
        }
        appendInternal(code, out);
        position += static_cast<std::size_t>(length);
    }
    return true;
}

// A stateful set, step by step with one state: an escape or shift adds
// nothing, a malformed step one U+FFFD, a step beyond the data one U+FFFD
// for the rest.
bool decodeRecordWithState(int id, const std::string& data, std::string& out) {
    std::unique_ptr<char[]> buffer(new char[data.size() + kPaddingBytes]());
    std::memcpy(buffer.get(), data.data(), data.size());
    hx_uchar_state state{};
    std::size_t position = 0;
    while (position < data.size()) {
        int codes[HX_UCHAR_MAX_CODES];
        int length = 0;
        const int count = hx_uchar_scan_state(id, buffer.get() + position, &state, codes, &length);
        if (length < 1 || length > hx_uchar_chsize_max(id)) {
            std::fprintf(stderr, "encoding %d: step of %d bytes at offset %zu\n", id, length, position);
            return false;
        }
        const std::size_t left = data.size() - position;
        // A step that wanted the byte after the data stands as it is.
        if (count < 0) {
            appendInternal(0xFFFD, out);
        } else {
            for (int i = 0; i < count; ++i) appendInternal(codes[i], out);
        }
        length = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(length), left));
        position += static_cast<std::size_t>(length);
    }
    if (hx_uchar_finish_state(id, &state)) appendInternal(0xFFFD, out);
    return true;
}

// The writing engine's view: one character at a time through the scratch
// areas. U+0000 cannot pass (the scratch text is zero-terminated).
void encodeRecord(int id, const std::string& text, std::string& out) {
    std::size_t position = 0;
    while (position < text.size()) {
        int length = 0;
        int code = hx_uchar_toint(text.c_str() + position, &length);
        if (code < 0) code = 0xFFFD;
        char internal[16];
        int internalLength = hx_uchar_intcopy(code, internal, 16);
        internal[internalLength] = '\0';
        char encoded[16];
        int encodedLength = hx_uchar_decode(id, internal, encoded, 16);
        out.append(encoded, static_cast<std::size_t>(encodedLength));
        position += static_cast<std::size_t>(length);
    }
}

// A stateful set as the writing engine runs it: whole runs with one state,
// which see the character after each (two may be one code), an invalid
// sequence as U+FFFD, and the initial state again at the end.
void encodeRecordWithState(int id, const std::string& text, std::string& out) {
    hx_uchar_state state{};
    std::string buffer(16 * text.size() + 16, '\0');
    std::size_t position = 0;
    while (position < text.size()) {
        int taken = 0;
        const int length = static_cast<int>(text.size() - position);
        int written = hx_uchar_encode_run_state(id, text.data() + position, length, buffer.data(),
                                                static_cast<int>(buffer.size()), &taken, &state);
        if (taken == 0) {
            hx_uchar_toint(text.c_str() + position, &taken);
            written = hx_uchar_encode_run_state(id, "\xEF\xBF\xBD", 3, buffer.data(), 16, nullptr, &state);
        }
        out.append(buffer.data(), static_cast<std::size_t>(written));
        position += static_cast<std::size_t>(taken);
    }
    char back[16];
    out.append(back, static_cast<std::size_t>(hx_uchar_reset_state(id, &state, back, sizeof back)));
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    // Records are bytes: no CR LF translation, no end at a 1A byte.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "list") {
        for (int i = 0; i < hx_uchar_enccount(); ++i) {
            int id = hx_uchar_encid(i);
            std::cout << id << '\t' << hx_uchar_chsize_max(id) << '\t' << hx_uchar_encname(id) << '\n';
        }
        return 0;
    }
    if (command == "lookup") {
        std::string name;
        while (std::getline(std::cin, name)) std::cout << hx_uchar_getenc(name.c_str()) << '\n';
        return 0;
    }
    if ((command != "decode" && command != "encode") || argc != 3) {
        std::fprintf(stderr, "usage: %s list | lookup | decode ID | encode ID\n", argv[0]);
        return 2;
    }
    int id = std::atoi(argv[2]);
    const bool stateful = (hx_uchar_encprop(id) & HX_PROP_STATEFUL) != 0;
    std::string record;
    while (readRecord(record)) {
        std::string out;
        if (command == "encode") {
            if (stateful) encodeRecordWithState(id, record, out);
            else encodeRecord(id, record, out);
        } else if (!(stateful ? decodeRecordWithState(id, record, out) : decodeRecord(id, record, out))) {
            return 1;
        }
        writeRecord(out);
    }
    return 0;
}
