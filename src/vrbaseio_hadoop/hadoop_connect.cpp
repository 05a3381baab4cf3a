#include "vrbaseio_hadoop/hadoop_connect.h"

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
