// The schemes the service reaches, each with its backend's factories.
#pragma once

#include "vrbaseio_core/backend_factory.h"

struct SchemeRow {
    const char* scheme;
    // Whether the backend can reach a location on another machine; a URI
    // naming another host is refused for the backends that cannot.
    bool reachesOtherHosts;
    RawStreamFactory* createRawStream;
    ListingFactory* createListing;
};

// The row of `scheme`, compared without regard to case; null when no
// backend serves it.
const SchemeRow* findScheme(const VrbString& scheme);
// The row that serves a plain path (a location that is no URI).
const SchemeRow& plainPathScheme();
