// What the service hands a backend: the resolved location and the factory
// shapes every backend provides, one pair per scheme row of the service.
#pragma once

#include "vrbaseio/VrbIO.h"
#include "vrbaseio_core/VrbIORaw.h"
#include "vrbclass/VrURI.h"

// A location as the service resolved it, valid for one factory call: the
// service releases the URI when its operation ends, so a backend that needs
// it later keeps a copy.
struct BackendTarget {
    // A plain path.
    BackendTarget(const VrbString& plainPath) noexcept : uri(nullptr), path(plainPath) {}
    BackendTarget(const VrURI* uri, const VrbString& uriPath) noexcept : uri(uri), path(uriPath) {}

    // Null for a plain path.
    const VrURI* uri;
    // The whole text of a plain path, else the URI's decoded path.
    const VrbString& path;
};

// A closed raw stream, or null with *error set. `owner` is the service.
using RawStreamFactory = VrbIORaw*(VrbIO* owner, const BackendTarget& target, VrbString* error);
// An open listing positioned before its first entry, or null with *error set.
// `owner` must outlive the listing.
using ListingFactory = VrbDirectoryListing*(VrbIO* owner, const BackendTarget& target, int listingFlags,
                                            VrbString* error);
