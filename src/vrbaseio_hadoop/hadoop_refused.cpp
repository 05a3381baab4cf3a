// The Hadoop backend of a build with VRB_HADOOP=OFF: the factories refuse every
// location with a clear message rather than pretending to open anything.
// The message names the path only, since the URI's query may hold a token.
#include "vrbaseio/backends.h"
#include "vrbaseio/source_labels.h"
#include "vrbclass/vrb_message.h"

namespace {
constexpr const char* kNotAvailable = "Hadoop file systems are not supported by this build";
}

VrbIORaw* createHadoopRawStream(VrbIOImpl*, VrURI* uri, VrbString* error) {
    *error = VRB_MESSAGE(kLabelHadoop, 1353, uri->path().asCstr(), kNotAvailable);
    return nullptr;
}

VrbDirectoryListing* createHadoopDirectoryListing(VrbIOImpl*, VrURI* uri, int, VrbString* error) {
    *error = VRB_MESSAGE(kLabelHadoop, 1353, uri->path().asCstr(), kNotAvailable);
    return nullptr;
}
