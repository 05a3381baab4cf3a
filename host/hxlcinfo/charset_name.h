// Storing a character-set name into the caller's buffer.
#pragma once

namespace hxlcinfo {

// The set of the POSIX locale, what a process runs in when the
// environment's locale cannot be had.
inline constexpr const char* kPosixCharset = "ANSI_X3.4-1968";

// Copies `found` into `name` when it fits; otherwise, or when `found` is
// null or empty, stores the POSIX set's name (or as much of an empty string
// as fits). Never stores a cut name: a prefix could name another set
// ("ISO-8859-15" cut to "ISO-8859-1"). Returns 0 when `found` was stored.
int storeCharsetName(const char* found, char* name, int size);

// The set a text file takes in the POSIX locale: its ASCII would make
// U+FFFD of every other byte, where UTF-8 reads ASCII alike.
inline constexpr const char* kPosixTextCharset = "UTF-8";

// True for the names of the POSIX locale: null or empty (nothing chosen),
// "C" and "POSIX".
bool isPosixLocaleName(const char* locale);

}  // namespace hxlcinfo
