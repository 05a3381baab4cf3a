// The Hadoop backend of a build with VRB_HADOOP=OFF: the factories refuse every
// location with a clear message rather than pretending to open anything.
// The message names the path only, since the URI's query may hold a token.
#include "vrbaseio_core/source_labels.h"
#include "vrbaseio_hadoop/hadoop_backend.h"
#include "vrbclass/vrb_message.h"

namespace {
constexpr const char* kNotAvailable = "Hadoop file systems are not supported by this build";
}

VrbIORaw* createHadoopRawStream(VrbIO*, const BackendTarget& target, VrbString* error) {
    *error = VRB_MESSAGE(kLabelHadoop, 1353, target.path.asCstr(), kNotAvailable);
    return nullptr;
}

VrbDirectoryListing* createHadoopDirectoryListing(VrbIO*, const BackendTarget& target, int, VrbString* error) {
    *error = VRB_MESSAGE(kLabelHadoop, 1353, target.path.asCstr(), kNotAvailable);
    return nullptr;
}
