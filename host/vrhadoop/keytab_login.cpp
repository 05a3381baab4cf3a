#include "keytab_login.h"

#ifdef _WIN32
#include "Windows/keytab_login.inc"
#else
#include "Unix/keytab_login.inc"
#endif
