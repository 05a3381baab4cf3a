// Locale layer.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Writes the character-set name of the environment's locale (LC_ALL, LC_CTYPE,
// LANG; on Windows the ANSI code page as "CP<n>") into `name` (zero-terminated,
// at most size bytes) without changing the process's locale. Returns 0, or -1
// when the environment's locale is not installed or its set's name does not
// fit: the buffer then holds "ANSI_X3.4-1968", the POSIX locale's set (empty
// when even that does not fit), never a cut name, which could name another
// set. A null buffer or a size below 1 gives -1 and writes nothing.
int hx_lcinfo_charset(char* name, int size);

// The character set a local text file takes when its caller names none: the
// environment's locale's, as hx_lcinfo_charset gives it, except in the POSIX
// locale (no LC_ALL, LC_CTYPE or LANG set, one naming "C" or "POSIX", or one
// that is not installed), whose ASCII would turn every other byte into U+FFFD:
// there it is "UTF-8". A locale chosen by any other name keeps its set, ASCII
// included. Results and buffer rules as for hx_lcinfo_charset; -1 also when
// "UTF-8" was stored for a locale that is not installed.
int hx_lcinfo_text_charset(char* name, int size);

#ifdef __cplusplus
}
#endif
