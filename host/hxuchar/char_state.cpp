// The stateful interface (hx_uchar_scan_state and the runs that carry a
// state). Sets without state are served by their per-character functions.
#include <cstring>

#include "hx/hx_line_ends.h"
#include "hx/hx_uchar.h"

#include "encoding_catalog.h"
#include "hz_codec.h"
#include "stateful_codecs.h"
#include "utf7_codec.h"
#include "utf8.h"

namespace hxuchar {
namespace {

constexpr int kQuestionMark = '?';

int scanStep(const EncodingRow& row, const unsigned char* s, hx_uchar_state* state, int* codes, int* length) {
    if (isStateful(row)) return scanStateful(row, s, state, codes, length);
    const int code = hx_uchar_chscan(row.id, reinterpret_cast<const char*>(s), length);
    if (code < 0) return -1;
    codes[0] = code;
    return 1;
}

// One scalar value in the file's encoding, with the set's substitute; or
// two, when the set writes `cp` and `next` (0: none) as one code (*both).
int encodeStep(const EncodingRow& row, int cp, int next, hx_uchar_state* state, unsigned char* out, bool* both) {
    *both = false;
    if (isStateful(row)) {
        const int length = encodeStateful(row, cp, next, state, out, both);
        if (length > 0 || dropsCharacter(row, cp)) return length;
        return encodeStateful(row, kQuestionMark, 0, state, out, both);
    }
    unsigned char text[5] = {};
    writeUtf8(cp, text);
    return hx_uchar_decode(row.id, reinterpret_cast<const char*>(text), reinterpret_cast<char*>(out), 16);
}

// The character at the start of `left` bytes of internal-form text: its
// code point, 0 at the end, negative when invalid or cut.
int scanText(const unsigned char* text, int left, int* consumed) {
    *consumed = 0;
    if (left <= 0) return 0;
    // A sequence cut by the end of the text is scanned from a padded copy.
    unsigned char padded[8] = {};
    std::memcpy(padded, text, static_cast<std::size_t>(left < 4 ? left : 4));
    const int cp = scanUtf8(padded, consumed);
    return *consumed > left ? -1 : cp;
}

}  // namespace

int scanStateful(const EncodingRow& row, const unsigned char* s, hx_uchar_state* state, int* codes,
                 int* length) noexcept {
    if (row.kind == CodecKind::Hz) return scanHz(*row.iso2022, s, state, codes, length);
    if (row.kind == CodecKind::Utf7) return scanUtf7(s, state, codes, length);
    if (row.kind == CodecKind::EbcdicDbcs) return row.ebcdicDbcs->scan(s, state, codes, length);
    if (row.kind == CodecKind::Cells) return row.cells->scan(s, codes, length);
    return row.iso2022->scan(s, state, codes, length);
}

int encodeStateful(const EncodingRow& row, int cp, int next, hx_uchar_state* state, unsigned char* out,
                   bool* both) noexcept {
    *both = false;
    if (row.kind == CodecKind::Hz) return encodeHz(*row.iso2022, cp, state, out);
    if (row.kind == CodecKind::Utf7) return encodeUtf7(cp, state, out);
    if (row.kind == CodecKind::EbcdicDbcs) return row.ebcdicDbcs->encode(cp, next, state, out, both);
    if (row.kind == CodecKind::Cells) return row.cells->encode(cp, next, out, both);
    return row.iso2022->encode(cp, next, state, out, both);
}

int resetStateful(const EncodingRow& row, hx_uchar_state* state, unsigned char* out) noexcept {
    if (row.kind == CodecKind::Hz) return resetHz(state, out);
    if (row.kind == CodecKind::Utf7) return resetUtf7(state, out);
    if (row.kind == CodecKind::EbcdicDbcs) return EbcdicDbcsMap::reset(state, out);
    if (row.kind == CodecKind::Cells) return 0;
    return row.iso2022->reset(state, out);
}

bool owesReplacement(const EncodingRow& row, const hx_uchar_state& state) noexcept {
    return row.kind == CodecKind::Utf7 && owesReplacementUtf7(state);
}

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
    if (row->kind == CodecKind::EbcdicDbcs) {
        return row->ebcdicDbcs->decodeRun(s, count, stopAtLineEnds != 0, reinterpret_cast<unsigned char*>(out), room,
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
    if (row->kind == CodecKind::EbcdicDbcs) {
        return row->ebcdicDbcs->encodeRun(t, length, reinterpret_cast<unsigned char*>(out), room, taken, state);
    }
    int in = 0, written = 0;
    int consumed = 0;
    int cp = scanText(t, length, &consumed);
    while (cp > 0) {
        // The character after it decides whether the two are one code; at
        // the end of the text it stands alone.
        int nextConsumed = 0;
        const int next = scanText(t + in + consumed, length - in - consumed, &nextConsumed);
        hx_uchar_state after = *state;
        unsigned char encoded[16];
        bool both = false;
        const int size = encodeStep(*row, cp, next > 0 ? next : 0, &after, encoded, &both);
        if (size > room - written) break;
        std::memcpy(out + written, encoded, static_cast<std::size_t>(size));
        written += size;
        in += consumed;
        *state = after;
        if (both) {
            in += nextConsumed;
            cp = scanText(t + in, length - in, &consumed);
        } else {
            cp = next;
            consumed = nextConsumed;
        }
    }
    *taken = in;
    return written;
}

extern "C" int hx_uchar_finish_state(int id, hx_uchar_state* state) {
    using namespace hxuchar;
    const EncodingRow* row = findEncoding(id);
    if (!row || !state || !isStateful(*row) || !owesReplacement(*row, *state)) return 0;
    *state = hx_uchar_state{};
    return 1;
}

extern "C" int hx_uchar_reset_state(int id, hx_uchar_state* state, char* out, int room) {
    using namespace hxuchar;
    const EncodingRow* row = findEncoding(id);
    if (!row || !state || !out || !isStateful(*row)) return 0;
    hx_uchar_state next = *state;
    unsigned char bytes[16];
    const int length = resetStateful(*row, &next, bytes);
    if (length > room) return 0;
    std::memcpy(out, bytes, static_cast<std::size_t>(length));
    *state = next;
    return length;
}
