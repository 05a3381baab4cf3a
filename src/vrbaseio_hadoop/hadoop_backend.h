// The Hadoop backend's factories, for the service's scheme table. A build
// without the access library refuses every location in them.
#pragma once

#include "vrbaseio_core/backend_factory.h"

RawStreamFactory createHadoopRawStream;
ListingFactory createHadoopDirectoryListing;
