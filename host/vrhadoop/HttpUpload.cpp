#include "HttpUpload.h"

#ifdef _WIN32
#include "Windows/HttpUpload.inc"
#else
#include "Unix/HttpUpload.inc"
#endif
