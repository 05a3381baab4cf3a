// Scheme facts of the URI parser that the library's parts rely on.
#pragma once

#include "vrbclass/VrbString.h"

// Whether `text` starts with the scheme "hadoop:" (in any case). Every such
// text parses into a URI object (getURIFromURIString), whatever it holds, so
// a null result for one means that memory ran short: it is never a plain path.
bool vrbHasHadoopScheme(const VrbString& text) noexcept;
