// The environment's character set on POSIX systems. A locale object made
// from the environment is asked, so the process's own locale stays as it is
// and no other thread sees a change.
#include "hx/hx_lcinfo.h"

#include <langinfo.h>
#include <locale.h>

#include "charset_name.h"

extern "C" int hx_lcinfo_charset(char* name, int size) {
    // "" takes LC_ALL, then LC_CTYPE, then LANG, as setlocale would.
    locale_t environment = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (environment == static_cast<locale_t>(0)) {
        return hxlcinfo::storeCharsetName(nullptr, name, size);
    }
    int result = hxlcinfo::storeCharsetName(nl_langinfo_l(CODESET, environment), name, size);
    freelocale(environment);
    return result;
}
