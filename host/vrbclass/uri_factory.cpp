#include "VrbGenericURI.h"
#include "vrbclass/VrHadoopURI.h"

VrURI* getURIFromURIString(const VrbString& text) { return VrbGenericURI::parse(text, vrbpath::kNativePathStyle); }

// "hadoop" URIs of entries are not built yet: every caller is told so by a
// null result, which it reports as a URI that cannot be made.
VrHadoopURI* getHadoopURIFromComponents(const VrbString&) { return nullptr; }
