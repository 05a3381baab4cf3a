#include "system_error_text.h"

#if defined(_WIN32)
#include "Windows/system_error_text.inc"
#else
#include "Unix/system_error_text.inc"
#endif
