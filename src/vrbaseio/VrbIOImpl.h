// The service: resolves a location's scheme and dispatches to a backend.
#pragma once

#include "vrbaseio/VrbIO.h"

class VrbIOImpl final : public VrbIO {
public:
    VrbDirectoryListing* openDirectory(const VrbString& location, int listingFlags, VrbString* error) override;
    VrbTxtFile* openTextFile(const VrbString& location, int openMode, int encoding, int flags,
                             VrbString* error) override;
    void destroy() override;
};
