// Joining and splitting local paths with the platform's separators
// ("/" on POSIX; "\" and "/" on Windows, where "\" is written).
#pragma once

#include "vrbclass/VrbString.h"

// directory + separator + name; no separator is doubled or added after an
// empty directory; an empty name gives the directory unchanged.
VrbString vrbConcatPath(const VrbString& directory, const VrbString& name);
// Returns the directory part of `path` and, when name is not null, stores the
// last component in *name. "/a/b" gives "/a" and "b"; "b" gives "" and "b";
// "/b" gives "/" and "b".
VrbString vrbParsePath(const VrbString& path, VrbString* name);
