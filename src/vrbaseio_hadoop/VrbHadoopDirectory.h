// The listing of one directory of a Hadoop file system.
#pragma once

#include <cstdint>

#include "hadoop/VRHadoop.h"
#include "vrbaseio/VrbIO.h"
#include "vrbclass/VrURI.h"

class VrbHadoopDirectory final : public VrbDirectoryListing {
public:
    // Takes `uri` over.
    VrbHadoopDirectory(VrbIO* owner, VrURI* uri, int listingFlags) noexcept
        : owner(owner), uri(uri), listingFlags(static_cast<std::uint32_t>(listingFlags)) {}

    // Runs once, from the factory.
    bool open();

    VrbString concatPath(const VrbString& directory, const VrbString& name) override;
    VrbString errorText() override { return lastError; }
    VrbString fullPath() override;
    VrbString name() override { return entryName; }
    int extraValue() override { return entryExtraValue; }
    VrbDate date() override { return entryDate; }
    int timeStamp() override { return entryTimeStamp; }
    bool isDirectory() override { return entryIsDirectory; }
    bool isReadOnly() override { return entryIsReadOnly; }
    bool next() override;
    VrbTxtFile* openTextFile(int openMode, int encoding, int flags, VrbString* error) override;
    VrbString splitPath(const VrbString& path, VrbString* name) override;
    void destroy() override;

private:
    ~VrbHadoopDirectory() = default;

    VrbIO* owner;   // kept, not consulted
    VrURI* uri;     // owned
    VrbString directoryPath;
    std::uint32_t listingFlags;
    VRHadoop* hadoop = nullptr;
    HadoopDirIterator* iterator = nullptr;
    VrbString lastError;
    VrbString entryName;
    bool entryIsDirectory = false;
    bool entryIsReadOnly = false;
    VrbDate entryDate;
    int entryTimeStamp = 0;
    int entryExtraValue = 0;
};
