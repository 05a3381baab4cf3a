#include "loopback_socket.h"

#if defined(_WIN32)
#include "Windows/loopback_socket.inc"
#else
#include "Unix/loopback_socket.inc"
#endif
