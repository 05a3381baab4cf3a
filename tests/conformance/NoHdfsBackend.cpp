// Builds without the access library have no HDFS side.
#include "Backend.h"

std::unique_ptr<Backend> makeHdfsBackend() { return nullptr; }
std::unique_ptr<Backend> makeFakeHdfsBackend() { return nullptr; }
