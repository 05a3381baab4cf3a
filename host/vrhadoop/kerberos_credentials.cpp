#include "kerberos_credentials.h"

#ifdef _WIN32
#include "Windows/kerberos_credentials.inc"
#else
#include "Unix/kerberos_credentials.inc"
#endif
