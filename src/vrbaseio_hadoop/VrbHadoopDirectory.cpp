#include "vrbaseio_hadoop/VrbHadoopDirectory.h"

#include <new>

#include "vrbaseio_core/source_labels.h"
#include "vrbaseio_hadoop/hadoop_backend.h"
#include "vrbaseio_hadoop/hadoop_connect.h"
#include "vrbclass/VrHadoopURI.h"
#include "vrbclass/VrbDate.h"
#include "vrbclass/listing_values.h"
#include "vrbclass/vrb_message.h"

VrbDirectoryListing* createHadoopDirectoryListing(VrbIO* owner, const BackendTarget& target, int listingFlags,
                                                  VrbString* error) {
    VrURI* uri = copyHadoopUri(target.uri, error);
    if (!uri) return nullptr;
    auto* listing = new (std::nothrow) VrbHadoopDirectory(owner, uri, listingFlags);
    if (!listing) {
        *error = VRB_MESSAGE(kLabelHadoop, 444);
        uri->release();
        return nullptr;
    }
    if (!listing->open()) {
        *error = listing->errorText();
        listing->destroy();
        return nullptr;
    }
    return listing;
}

bool VrbHadoopDirectory::open() {
    // Dates follow the time zone the process has when the listing opens, as
    // the local listing's do.
    vrbRefreshTimeZone();
    directoryPath = uri->path();

    HadoopConnection* connection = nullptr;
    HadoopFileSystem* fileSystem = nullptr;
    if (!connectHadoop(uri, &hadoop, &connection, &fileSystem, &lastError)) return false;
    iterator = fileSystem->openDirIterator(0, directoryPath, &lastError);
    // The iterator outlives the file system and connection it came from.
    fileSystem->release();
    connection->release();
    return iterator != nullptr;
}

bool VrbHadoopDirectory::next() {
    for (;;) {
        std::int64_t extra = 0;
        if (!iterator->next(&entryName, &extra, &entryDate, &entryTimeStamp, &entryIsDirectory, &entryIsReadOnly,
                            &lastError)) {
            return false;
        }
        if (listingFlags & VRB_LIST_DIRS_ONLY) {
            if (!entryIsDirectory) continue;
        } else if ((listingFlags & VRB_LIST_FILES_ONLY) && entryIsDirectory) {
            continue;
        }
        entryExtraValue = vrbListingExtraValue(extra);
        return true;
    }
}

VrbString VrbHadoopDirectory::concatPath(const VrbString& directory, const VrbString& name) {
    if (directory.empty() || name.empty()) return directory.empty() ? VrbString() : directory;
    VrbString joined(directory);
    bool failed = false;
    joined.append("/", &failed);
    joined.append(name, &failed);
    return failed ? VrbString() : joined;
}

VrbString VrbHadoopDirectory::fullPath() { return concatPath(directoryPath, entryName); }

VrbString VrbHadoopDirectory::splitPath(const VrbString& path, VrbString* name) {
    int slash = path.rfind(VrbString("/", true));
    if (slash < 0) {
        if (name) name->truncate(0);
        return path;
    }
    const unsigned at = static_cast<unsigned>(slash);
    if (name) *name = path.substring(at + 1, path.length() - at - 1);
    return path.substring(0, at);
}

VrbTxtFile* VrbHadoopDirectory::openTextFile(int openMode, int encoding, int flags, VrbString* error) {
    error->setNull();
    VrHadoopURI* entry = getHadoopURIFromComponents(fullPath());
    if (!entry) {
        *error = VRB_MESSAGE(kLabelHadoop, 29, kHadoopUriLabel);
        return nullptr;
    }
    VrbTxtFile* file = nullptr;
    VrbString inherited = uri->inheritablePart();
    if (inherited.empty() || entry->applyInheritedPart(&inherited, error)) {
        file = vrbTxtFileOpen(entry->text().asCstr(), static_cast<VrbTxtFileOpenMode>(openMode), encoding, flags,
                              error);
    }
    entry->release();
    return file;
}

void VrbHadoopDirectory::destroy() {
    if (iterator) iterator->release();
    if (hadoop) hadoop->release();
    uri->release();
    delete this;
}
