// Joining and splitting local paths with the platform's separators
// ("/" on POSIX; "\" and "/" on Windows, where "\" is written).
#pragma once

#include "vrbclass/VrbString.h"

// directory + separator + name; no separator is doubled or added after an
// empty directory; an empty name gives the directory unchanged. On Windows a
// bare drive ("C:") gets no separator ("C:a" stays relative to that drive).
// When memory is short the result is the null string.
VrbString vrbConcatPath(const VrbString& directory, const VrbString& name);
// Returns the directory part of `path` and, when name is not null, stores the
// last component in *name. "/a/b" gives "/a" and "b"; "b" gives "" and "b";
// "/b" gives "/" and "b"; "/" gives "/" and "". Separators after a directory
// are dropped unless they form the root ("/a//b" gives "/a"); a trailing
// separator leaves an empty name ("/a/b/" gives "/a/b" and ""). On Windows
// the root keeps its drive or UNC prefix: "C:\a" gives "C:\", "C:a" gives
// "C:", "\\srv\share\a" gives "\\srv\share\".
VrbString vrbParsePath(const VrbString& path, VrbString* name);
