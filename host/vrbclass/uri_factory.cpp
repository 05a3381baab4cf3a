#include "VrbGenericURI.h"
#include "VrbHadoopURI.h"
#include "vrbclass/VrHadoopURI.h"
#include "vrbclass/uri_schemes.h"

VrURI* getURIFromURIString(const VrbString& text) {
    if (vrbHasHadoopScheme(text)) return VrbHadoopURI::parse(text);
    return VrbGenericURI::parse(text, vrbpath::kNativePathStyle);
}

VrHadoopURI* getHadoopURIFromURIString(const VrbString& text) { return VrbHadoopURI::parse(text); }

VrHadoopURI* getHadoopURIFromComponents(const VrbString& path) { return VrbHadoopURI::fromPath(path); }
