#include "charset_name.h"

#include <cstring>

namespace hxlcinfo {

namespace {

bool copyWhole(const char* text, char* name, int size) {
    std::size_t length = std::strlen(text);
    if (length >= static_cast<std::size_t>(size)) return false;
    std::memcpy(name, text, length + 1);
    return true;
}

}  // namespace

int storeCharsetName(const char* found, char* name, int size) {
    if (!name || size <= 0) return -1;
    if (found && *found && copyWhole(found, name, size)) return 0;
    if (!copyWhole(kPosixCharset, name, size)) name[0] = '\0';
    return -1;
}

bool isPosixLocaleName(const char* locale) {
    return !locale || !*locale || std::strcmp(locale, "C") == 0 || std::strcmp(locale, "POSIX") == 0;
}

}  // namespace hxlcinfo
