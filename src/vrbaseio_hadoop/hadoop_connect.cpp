#include "vrbaseio_hadoop/hadoop_connect.h"

#include "vrbaseio_core/source_labels.h"
#include "vrbclass/vrb_message.h"

VrURI* copyHadoopUri(const VrURI* uri, VrbString* error) {
    VrURI* copy = getURIFromURIString(uri->text());
    if (!copy) *error = VRB_MESSAGE(kLabelHadoop, 29, kHadoopUriLabel);
    return copy;
}

bool connectHadoop(VrURI* uri, VRHadoop** hadoop, HadoopConnection** connection, HadoopFileSystem** fileSystem,
                   VrbString* error) {
    *hadoop = nullptr;
    *connection = nullptr;
    *fileSystem = nullptr;
    *hadoop = vrHadoopCreate(error);
    if (!*hadoop) return false;
    *connection = (*hadoop)->connect(uri, error);
    if (*connection) {
        *fileSystem = (*hadoop)->openFileSystem(*connection, error);
        if (*fileSystem) return true;
        (*connection)->release();
        *connection = nullptr;
    }
    (*hadoop)->release();
    *hadoop = nullptr;
    return false;
}
