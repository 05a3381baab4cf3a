// Reaching a Hadoop file system for a URI; shared by the raw stream and the listing.
#pragma once

#include "hadoop/VRHadoop.h"
#include "vrbclass/VrURI.h"

// Names a URI that could not be made, in message 29.
inline constexpr const char* kHadoopUriLabel = "(Hadoop URI)";

// The backend's own copy of the service's URI, which the service releases
// when its operation ends; null with message 29 in *error.
VrURI* copyHadoopUri(const VrURI* uri, VrbString* error);

// Makes the root object, the connection and the file system. On failure the
// objects made so far are released, the out-slots are null and *error holds
// the access library's message.
bool connectHadoop(VrURI* uri, VRHadoop** hadoop, HadoopConnection** connection, HadoopFileSystem** fileSystem,
                   VrbString* error);
