// Names, properties and sizes of the encodings, and their enumeration.
#include "hx/hx_uchar.h"

#include "encoding_catalog.h"

namespace {

bool sameNameIgnoringCase(const char* a, const char* b) noexcept {
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(*a);
        unsigned char cb = static_cast<unsigned char>(*b);
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb - 'A' + 'a');
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}

}  // namespace

extern "C" const char* hx_uchar_encname(int id) {
    const hxuchar::EncodingRow* row = hxuchar::findEncoding(id);
    return row ? row->names[0] : nullptr;
}

extern "C" int hx_uchar_encprop(int id) {
    const hxuchar::EncodingRow* row = hxuchar::findEncoding(id);
    return row ? row->properties : 0;
}

extern "C" int hx_uchar_chsize_max(int id) {
    const hxuchar::EncodingRow* row = hxuchar::findEncoding(id);
    return row ? row->maxCharSize : 0;
}

extern "C" int hx_uchar_xcsize_max(int id) {
    const hxuchar::EncodingRow* row = hxuchar::findEncoding(id);
    return row ? row->maxInternalSize : 0;
}

extern "C" int hx_uchar_getenc(const char* name) {
    if (!name) return -1;
    for (int i = 0; i < hxuchar::kEncodingCount; ++i) {
        const hxuchar::EncodingRow& row = hxuchar::kEncodingRows[i];
        for (const char* const* alias = row.names; *alias; ++alias) {
            if (sameNameIgnoringCase(name, *alias)) return row.id;
        }
    }
    return -1;
}

extern "C" int hx_uchar_enccount(void) {
    return hxuchar::kEncodingCount;
}

extern "C" int hx_uchar_encid(int index) {
    if (index < 0 || index >= hxuchar::kEncodingCount) return -1;
    return hxuchar::kEncodingRows[index].id;
}

extern "C" const char* hx_uchar_encalias(int id, int index) {
    const hxuchar::EncodingRow* row = hxuchar::findEncoding(id);
    if (!row || index < 0) return nullptr;
    for (const char* const* alias = row->names; *alias; ++alias, --index) {
        if (index == 0) return *alias;
    }
    return nullptr;
}
