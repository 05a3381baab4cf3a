#include "vrbaseio_file/VrbDirectoryListingImpl.h"

#include <cstddef>
#include <cstdint>
#include <new>

#include "hx/hx_fio.h"
#include "vrbaseio_core/source_labels.h"
#include "vrbaseio_file/local_backend.h"
#include "vrbclass/listing_values.h"
#include "vrbclass/vrb_message.h"
#include "vrbclass/vrb_path.h"

namespace {

// The layer's mode bits: entry paths and records always, the selection from
// the listing flags.
int directoryMode(int listingFlags) {
    int mode = HX_DIR_NAMES | HX_DIR_STAT;
    if (listingFlags & static_cast<int>(VRB_LIST_DIRS_ONLY)) mode |= HX_DIR_DIRS_ONLY;
    if (listingFlags & static_cast<int>(VRB_LIST_FILES_ONLY)) mode |= HX_DIR_FILES_ONLY;
    return mode;
}

VrbDate localDate(std::int64_t seconds) {
    VrbDate date;
    // The epoch stands in where the runtime cannot convert a time (Windows
    // refuses times before 1970).
    if (!vrbLocalDate(seconds, &date)) date.assign(1970, 1, 1, 0, 0, 0, 0);
    return date;
}

}  // namespace

VrbDirectoryListing* createLocalDirectoryListing(VrbIO* owner, const BackendTarget& target, int listingFlags,
                                                 VrbString* error) {
    auto* listing = new (std::nothrow) VrbDirectoryListingImpl(owner, target.path, listingFlags);
    if (!listing) {
        if (error) *error = VRB_MESSAGE(kLabelFile, 444);
        return nullptr;
    }
    VrbString ignored;
    if (!listing->openListing(error ? error : &ignored)) {
        listing->destroy();
        return nullptr;
    }
    return listing;
}

VrbDirectoryListingImpl::VrbDirectoryListingImpl(VrbIO* owner, const VrbString& path, int listingFlags) noexcept
    : owner(owner),
      directoryPath(path),
      listingFlags(listingFlags),
      pathCopied(directoryPath.length() == path.length()) {}

VrbDirectoryListingImpl::~VrbDirectoryListingImpl() {
    delete[] entryPathBuffer;
    if (dirHandle) hx_dir_close(dirHandle);
}

void VrbDirectoryListingImpl::destroy() { delete this; }

bool VrbDirectoryListingImpl::openListing(VrbString* error) {
    const int capacity = hx_dir_pathlen;
    entryPathBuffer = new (std::nothrow) char[static_cast<std::size_t>(capacity) + 1];
    if (!entryPathBuffer || !pathCopied) {
        *error = VRB_MESSAGE(kLabelFile, 444);
        return false;
    }
    entryPathBuffer[capacity] = '\0';
    entryPathBuffer[0] = '\0';

    // Dates follow the time zone the process has when the listing opens.
    vrbRefreshTimeZone();
    const char* path = directoryPath.asCstr();
    switch (int code = hx_dir_open(path, directoryMode(listingFlags), &dirHandle)) {
        case HX_DIR_OK: return true;
        case HX_DIR_NOT_FOUND: *error = VRB_MESSAGE(kLabelFile, 445, path); break;
        case HX_DIR_NOT_A_DIR: *error = VRB_MESSAGE(kLabelFile, 446, path); break;
        case HX_DIR_DENIED: *error = VRB_MESSAGE(kLabelFile, 447, path); break;
        default: *error = VRB_MESSAGE(kLabelFile, 467, path, code); break;
    }
    return false;
}

bool VrbDirectoryListingImpl::next() {
    hx_dir_record_t record;
    int code = hx_dir_next_stat(dirHandle, entryPathBuffer, hx_dir_pathlen, &record);
    if (code != HX_DIR_OK) {
        if (code == HX_DIR_END) {
            lastError.setNull();
        } else {
            lastError = vrbListingBreakOff(directoryPath.asCstr(), hx_dir_errdesc(code));
        }
        return false;
    }
    entryIsDirectory = record.type == 1;
    entryDate = localDate(record.modified);
    entryTimeStamp = vrbListingTimeStamp(record.modified);
    entryExtraValue = vrbListingExtraValue(record.extraValue);
    splitPath(VrbString(entryPathBuffer, false), &entryName);
    return true;
}

bool VrbDirectoryListingImpl::isReadOnly() {
    return hx_fio_open(entryPathBuffer, HX_FIO_CHECK | HX_FIO_WRITE, nullptr) != 0;
}

VrbTxtFile* VrbDirectoryListingImpl::openTextFile(int openMode, int encoding, int flags, VrbString* error) {
    if (!owner) {
        if (error) *error = VRB_MESSAGE(kLabelFile, 336);
        return nullptr;
    }
    return owner->openTextFile(VrbString(entryPathBuffer, false), openMode, encoding, flags, error);
}

VrbString VrbDirectoryListingImpl::concatPath(const VrbString& directory, const VrbString& name) {
    return vrbConcatPath(directory, name);
}

VrbString VrbDirectoryListingImpl::splitPath(const VrbString& path, VrbString* name) {
    return vrbParsePath(path, name);
}

VrbString VrbDirectoryListingImpl::errorText() { return lastError; }
VrbString VrbDirectoryListingImpl::fullPath() { return VrbString(entryPathBuffer, false); }
VrbString VrbDirectoryListingImpl::name() { return entryName; }
int VrbDirectoryListingImpl::extraValue() { return entryExtraValue; }
VrbDate VrbDirectoryListingImpl::date() { return entryDate; }
int VrbDirectoryListingImpl::timeStamp() { return entryTimeStamp; }
bool VrbDirectoryListingImpl::isDirectory() { return entryIsDirectory; }
