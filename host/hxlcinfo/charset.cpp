#include "hx/hx_lcinfo.h"
#include "charset_name.h"

#if defined(_WIN32)
#include "Windows/charset.inc"
#else
#include "Unix/charset.inc"
#endif
