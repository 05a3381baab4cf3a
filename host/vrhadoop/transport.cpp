#include "transport.h"

#ifdef _WIN32
#include "Windows/transport.inc"
#else
#include "Unix/transport.inc"
#endif
