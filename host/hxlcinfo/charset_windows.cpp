// The environment's character set on Windows: the ANSI code page, named
// "CP<n>" as the character-set layer knows it.
#include "hx/hx_lcinfo.h"

#include <windows.h>

#include <cstdio>

#include "charset_name.h"

extern "C" int hx_lcinfo_charset(char* name, int size) {
    char codePage[16];
    std::snprintf(codePage, sizeof codePage, "CP%u", static_cast<unsigned>(GetACP()));
    return hxlcinfo::storeCharsetName(codePage, name, size);
}
