// The stateful interface (hx_uchar_scan_state and the runs that carry a
// state). Sets without state are served by their per-character functions.
#include <cstring>

#include "hx/hx_line_ends.h"
#include "hx/hx_uchar.h"

#include "encoding_catalog.h"
#include "utf8.h"

namespace hxuchar {
namespace {

constexpr int kQuestionMark = '?';

int scanStep(const EncodingRow& row, const unsigned char* s, hx_uchar_state* state, int* codes, int* length) {
    if (row.kind == CodecKind::Iso2022) return row.iso2022->scan(s, state, codes, length);
    const int code = hx_uchar_chscan(row.id, reinterpret_cast<const char*>(s), length);
    if (code < 0) return -1;
    codes[0] = code;
    return 1;
}

// One scalar value in the file's encoding, with the set's substitute.
int encodeStep(const EncodingRow& row, int cp, hx_uchar_state* state, unsigned char* out) {
    if (row.kind == CodecKind::Iso2022) {
        const int length = row.iso2022->encode(cp, state, out);
        return length > 0 ? length : row.iso2022->encode(kQuestionMark, state, out);
    }
    unsigned char text[5] = {};
    writeUtf8(cp, text);
    return hx_uchar_decode(row.id, reinterpret_cast<const char*>(text), reinterpret_cast<char*>(out), 16);
}

}  // namespace
}  // namespace hxuchar

extern "C" int hx_uchar_scan_state(int id, const char* bytes, hx_uchar_state* state, int* codes, int* length) {
    using namespace hxuchar;
    int unused = 0;
    if (!length) length = &unused;
    *length = 1;
    const EncodingRow* row = findEncoding(id);
    if (!row || !bytes || !state || !codes) return -1;
    const int count = scanStep(*row, reinterpret_cast<const unsigned char*>(bytes), state, codes, length);
    if (*length < 1) *length = 1;
    return count;
}

extern "C" int hx_uchar_decode_run_state(int id, const char* bytes, int count, int stopAtLineEnds, char* out, int room,
                                         int* taken, hx_uchar_state* state) {
    using namespace hxuchar;
    int unused = 0;
    if (!taken) taken = &unused;
    *taken = 0;
    const EncodingRow* row = findEncoding(id);
    if (!row || !bytes || !out || !state || count <= 0 || room <= 0) return 0;
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    if (row->kind == CodecKind::Iso2022) {
        return row->iso2022->decodeRun(s, count, stopAtLineEnds != 0, reinterpret_cast<unsigned char*>(out), room,
                                       taken, state);
    }
    int in = 0, written = 0;
    while (in < count) {
        hx_uchar_state next = *state;
        int codes[HX_UCHAR_MAX_CODES];
        int length = 1;
        const int yielded = scanStep(*row, s + in, &next, codes, &length);
        // A malformed or cut step is the caller's: it may continue past count.
        if (yielded < 0 || length > count - in) break;
        unsigned char encoded[4 * HX_UCHAR_MAX_CODES];
        int size = 0;
        bool stop = false;
        for (int i = 0; i < yielded; ++i) {
            if (codes[i] == 0 || (stopAtLineEnds && isLineEndCharacter(static_cast<std::uint32_t>(codes[i])))) stop = true;
            size += writeUtf8(codes[i], encoded + size);
        }
        if (stop || size > room - written) break;
        std::memcpy(out + written, encoded, static_cast<std::size_t>(size));
        written += size;
        in += length;
        *state = next;
    }
    *taken = in;
    return written;
}

extern "C" int hx_uchar_encode_run_state(int id, const char* text, int length, char* out, int room, int* taken,
                                         hx_uchar_state* state) {
    using namespace hxuchar;
    int unused = 0;
    if (!taken) taken = &unused;
    *taken = 0;
    const EncodingRow* row = findEncoding(id);
    if (!row || !text || !out || !state || length <= 0 || room <= 0) return 0;
    const auto* t = reinterpret_cast<const unsigned char*>(text);
    int in = 0, written = 0;
    while (in < length) {
        // A sequence cut by the end of the text is scanned from a padded copy.
        unsigned char padded[8] = {};
        const int left = length - in;
        std::memcpy(padded, t + in, static_cast<std::size_t>(left < 4 ? left : 4));
        int consumed = 1;
        const int cp = scanUtf8(padded, &consumed);
        if (cp <= 0 || consumed > left) break;
        hx_uchar_state next = *state;
        unsigned char encoded[16];
        const int size = encodeStep(*row, cp, &next, encoded);
        if (size > room - written) break;
        std::memcpy(out + written, encoded, static_cast<std::size_t>(size));
        written += size;
        in += consumed;
        *state = next;
    }
    *taken = in;
    return written;
}

extern "C" int hx_uchar_reset_state(int id, hx_uchar_state* state, char* out, int room) {
    using namespace hxuchar;
    const EncodingRow* row = findEncoding(id);
    if (!row || !state || !out || row->kind != CodecKind::Iso2022) return 0;
    hx_uchar_state next = *state;
    unsigned char bytes[16];
    const int length = row->iso2022->reset(&next, bytes);
    if (length > room) return 0;
    std::memcpy(out, bytes, static_cast<std::size_t>(length));
    *state = next;
    return length;
}
