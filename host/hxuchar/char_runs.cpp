// Bulk conversion for the table-driven sets (hx_uchar_decode_run,
// hx_uchar_encode_run).
#include "hx/hx_uchar.h"

#include "encoding_catalog.h"

extern "C" int hx_uchar_decode_run(int id, const char* bytes, int count, int stopAtLineEnds, char* out, int room,
                                   int* taken) {
    using namespace hxuchar;
    int unused = 0;
    if (!taken) taken = &unused;
    *taken = 0;
    const EncodingRow* row = findEncoding(id);
    if (!row || !bytes || !out || count <= 0 || room <= 0) return 0;
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    auto* o = reinterpret_cast<unsigned char*>(out);
    if (row->kind == CodecKind::SingleByte) return row->singleByte->decodeRun(s, count, stopAtLineEnds != 0, o, room, taken);
    if (row->kind == CodecKind::MultiByte) return row->multiByte->decodeRun(s, count, stopAtLineEnds != 0, o, room, taken);
    return 0;
}

extern "C" int hx_uchar_encode_run(int id, const char* text, int length, char* out, int room, int* taken) {
    using namespace hxuchar;
    int unused = 0;
    if (!taken) taken = &unused;
    *taken = 0;
    const EncodingRow* row = findEncoding(id);
    if (!row || !text || !out || length <= 0 || room <= 0) return 0;
    const auto* t = reinterpret_cast<const unsigned char*>(text);
    auto* o = reinterpret_cast<unsigned char*>(out);
    if (row->kind == CodecKind::SingleByte) return row->singleByte->encodeRun(t, length, o, room, taken);
    if (row->kind == CodecKind::MultiByte) return row->multiByte->encodeRun(t, length, o, room, taken);
    return 0;
}
