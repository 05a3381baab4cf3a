// Names, properties and sizes of the encodings, and their enumeration.
#include <cstring>

#include "hx/hx_uchar.h"

#include "encoding_catalog.h"

namespace {

constexpr std::size_t kLongestName = 96;

bool isNameCharacter(unsigned char c) noexcept {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.';
}

// A name as CPython compares names: lower case, and each run of other
// characters between letters, digits and "." one "_", so that "latin-1",
// "Latin_1" and "LATIN 1" are one name. Punctuation at either end stays as
// it is: " UTF-8" is no name. False for a name too long to be one.
bool looseForm(const char* name, char* out) noexcept {
    std::size_t length = 0;
    const char* end = name + std::strlen(name);
    const char* first = name;
    while (first < end && !isNameCharacter(static_cast<unsigned char>(*first))) ++first;
    const char* last = end;
    while (last > first && !isNameCharacter(static_cast<unsigned char>(last[-1]))) --last;
    for (const char* p = name; p < end; ++p) {
        auto c = static_cast<unsigned char>(*p);
        const bool inside = p >= first && p < last;
        if (inside && !isNameCharacter(c)) {
            while (p + 1 < last && !isNameCharacter(static_cast<unsigned char>(p[1]))) ++p;
            c = '_';
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<unsigned char>(c - 'A' + 'a');
        }
        if (length + 1 >= kLongestName) return false;
        out[length++] = static_cast<char>(c);
    }
    out[length] = '\0';
    return true;
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
    char wanted[kLongestName];
    if (!name || !looseForm(name, wanted)) return -1;
    for (int i = 0; i < hxuchar::kEncodingCount; ++i) {
        const hxuchar::EncodingRow& row = hxuchar::kEncodingRows[i];
        for (const char* const* alias = row.names; *alias; ++alias) {
            char known[kLongestName];
            if (looseForm(*alias, known) && std::strcmp(wanted, known) == 0) return row.id;
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
