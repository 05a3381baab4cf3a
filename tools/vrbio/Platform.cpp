#include "Platform.h"

#if defined(_WIN32)
#include "Windows/platform.inc"
#else
#include "Unix/platform.inc"
#endif
