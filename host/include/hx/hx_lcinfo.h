// Locale layer.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Writes the character-set name of the environment's locale (LC_ALL, LC_CTYPE,
// LANG) into `name` (zero-terminated, at most size bytes) without changing the
// process's locale. Returns 0, or -1 when the name was cut or not found (the
// buffer then holds "ANSI_X3.4-1968", the POSIX locale's set).
int hx_lcinfo_charset(char* name, int size);

#ifdef __cplusplus
}
#endif
