// The local backend's factories, for the service's scheme table.
#pragma once

#include "vrbaseio_core/backend_factory.h"

// A file URI naming another machine reaches it only where the platform
// addresses remote hosts by path (UNC paths on Windows); elsewhere it must
// never reach the local file of the same path.
#if defined(_WIN32)
inline constexpr bool kLocalReachesOtherHosts = true;
#else
inline constexpr bool kLocalReachesOtherHosts = false;
#endif

RawStreamFactory createLocalRawStream;
ListingFactory createLocalDirectoryListing;
