// Factories of the backends, called by the service's dispatch.
#pragma once

#include "vrbaseio/VrbDirectoryListing.h"
#include "vrbaseio/VrbIORaw.h"
#include "vrbclass/VrURI.h"

class VrbIOImpl;

// Local file system. A closed raw stream, or null with *error set.
VrbIORaw* createLocalRawStream(VrbIOImpl* owner, const VrbString& path, VrbString* error);
// An open listing positioned before its first entry, or null with *error set.
VrbDirectoryListing* createLocalDirectoryListing(VrbIOImpl* owner, const VrbString& path, int listingFlags,
                                                 VrbString* error);

// Hadoop file systems; the URI object stays the caller's.
VrbIORaw* createHadoopRawStream(VrbIOImpl* owner, VrURI* uri, VrbString* error);
VrbDirectoryListing* createHadoopDirectoryListing(VrbIOImpl* owner, VrURI* uri, int listingFlags, VrbString* error);
