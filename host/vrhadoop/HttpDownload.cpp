#include "HttpDownload.h"

#ifdef _WIN32
#include "Windows/HttpDownload.inc"
#else
#include "Unix/HttpDownload.inc"
#endif
