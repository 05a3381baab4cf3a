// The listing of one local directory.
#pragma once

#include "hx/hx_dir.h"
#include "vrbaseio/VrbDirectoryListing.h"
#include "vrbaseio/VrbIO.h"
#include "vrbclass/VrbDate.h"
#include "vrbclass/VrbString.h"

class VrbDirectoryListingImpl : public VrbDirectoryListing {
public:
    // `owner` opens the entries as text files; it must outlive the listing.
    VrbDirectoryListingImpl(VrbIO* owner, const VrbString& path, int listingFlags) noexcept;
    // Allocates the path buffer and opens the directory; on failure the
    // message is in *error and the listing is to be destroyed.
    bool openListing(VrbString* error);

    VrbString concatPath(const VrbString& directory, const VrbString& name) override;
    VrbString errorText() override;
    VrbString fullPath() override;
    VrbString name() override;
    int extraValue() override;
    VrbDate date() override;
    int timeStamp() override;
    bool isDirectory() override;
    bool isReadOnly() override;
    bool next() override;
    VrbTxtFile* openTextFile(int openMode, int encoding, int flags, VrbString* error) override;
    VrbString splitPath(const VrbString& path, VrbString* name) override;
    void destroy() override;

protected:
    virtual ~VrbDirectoryListingImpl();

private:
    VrbDirectoryListingImpl(const VrbDirectoryListingImpl&) = delete;
    VrbDirectoryListingImpl& operator=(const VrbDirectoryListingImpl&) = delete;

    VrbIO* owner;
    VrbString directoryPath;
    int listingFlags;
    hx_dir_t dirHandle = nullptr;
    VrbString lastError;
    // hx_dir_pathlen + 1 bytes; the last one always 0.
    char* entryPathBuffer = nullptr;
    VrbString entryName;
    bool entryIsDirectory = false;
    VrbDate entryDate;
    int entryTimeStamp = 0;
    int entryExtraValue = 0;
    // False when the path could not be copied for want of memory.
    bool pathCopied;
};
