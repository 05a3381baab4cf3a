// Portable file layer: directories. What every platform shares: the
// selection of entries, the entry path written into the caller's buffer and
// the entry record; the platform half (Unix/dir.inc, Windows/dir.inc) reads
// the raw entries.
#include "hx/hx_dir.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

// One raw entry as the platform half reports it. `name` stays valid until the
// next call for the same directory.
struct PlatformEntry {
    const char* name;
    std::size_t nameLength;
    bool isDirectory;
    int64_t modified;  // seconds since 1970 UTC; only with HX_DIR_STAT
    int64_t size;      // bytes; only with HX_DIR_STAT
};

// How the platform half classifies a system error code.
enum class ErrorKind { NotFound, NotADirectory, Denied, NoMemory, Other };

// Whether the mode's selection drops an entry of this kind.
bool selectionDrops(int mode, bool isDirectory) {
    if (mode & HX_DIR_DIRS_ONLY) return !isDirectory;
    if (mode & HX_DIR_FILES_ONLY) return isDirectory;
    return false;
}

}  // namespace

#if defined(_WIN32)
#include "Windows/dir.inc"
#else
#include "Unix/dir.inc"
#endif

struct hx_dir {
    PlatformDirectory platform;
    int mode;
    char* prefix;  // the directory's path with one separator at its end
    std::size_t prefixLength;
};

namespace {

int resultForSystemError(int code) {
    switch (platformErrorKind(code)) {
        case ErrorKind::NotFound: return HX_DIR_NOT_FOUND;
        case ErrorKind::NotADirectory: return HX_DIR_NOT_A_DIR;
        case ErrorKind::Denied: return HX_DIR_DENIED;
        case ErrorKind::NoMemory: return HX_DIR_NO_MEMORY;
        case ErrorKind::Other: break;
    }
    return HX_DIR_SYSTEM + code;
}

uint32_t clampTimeStamp(int64_t seconds) {
    if (seconds < 0) return 0;
    if (seconds > static_cast<int64_t>(UINT32_MAX)) return UINT32_MAX;
    return static_cast<uint32_t>(seconds);
}

uint32_t saturateSize(int64_t bytes) {
    if (bytes < 0) return 0;
    if (bytes > static_cast<int64_t>(UINT32_MAX)) return UINT32_MAX;
    return static_cast<uint32_t>(bytes);
}

}  // namespace

extern "C" {

int hx_dir_pathlen = kPlatformPathBufferSize;

int hx_dir_open(const char* path, int mode, hx_dir_t* handle) {
    if (handle) *handle = nullptr;
    if (!path || !handle) return HX_DIR_INVALID;

    std::size_t length = std::strlen(path);
    bool needsSeparator = length > 0 && !isPlatformSeparator(path[length - 1]);
    std::size_t prefixLength = length + (needsSeparator ? 1 : 0);
    auto* directory = new (std::nothrow) hx_dir{};
    char* prefix = new (std::nothrow) char[prefixLength + 1];
    if (!directory || !prefix) {
        delete directory;
        delete[] prefix;
        return HX_DIR_NO_MEMORY;
    }
    std::memcpy(prefix, path, length);
    if (needsSeparator) prefix[length] = kPlatformSeparator;
    prefix[prefixLength] = '\0';

    int code = platformOpenDirectory(path, &directory->platform);
    if (code != 0) {
        delete[] prefix;
        delete directory;
        return resultForSystemError(code);
    }
    directory->mode = mode;
    directory->prefix = prefix;
    directory->prefixLength = prefixLength;
    *handle = directory;
    return HX_DIR_OK;
}

int hx_dir_next_stat(hx_dir_t handle, char* path, int capacity, hx_dir_record_t* record) {
    if (!handle || !path || capacity <= 0 || !record) return HX_DIR_INVALID;
    PlatformEntry entry{};
    for (;;) {
        int code = platformNextEntry(&handle->platform, handle->mode, &entry);
        if (code == kPlatformEnd) return HX_DIR_END;
        if (code != 0) return resultForSystemError(code);
        if (!selectionDrops(handle->mode, entry.isDirectory)) break;
    }

    std::size_t prefixLength = (handle->mode & HX_DIR_NAMES) ? handle->prefixLength : 0;
    if (prefixLength + entry.nameLength >= static_cast<std::size_t>(capacity)) return HX_DIR_TOO_LONG;
    std::memcpy(path, handle->prefix, prefixLength);
    std::memcpy(path + prefixLength, entry.name, entry.nameLength);
    path[prefixLength + entry.nameLength] = '\0';

    *record = hx_dir_record_t{};
    record->type = entry.isDirectory ? 1 : 0;
    if (handle->mode & HX_DIR_STAT) {
        record->modified = entry.modified;
        record->timeStamp = clampTimeStamp(entry.modified);
        record->extraValue = saturateSize(entry.size);
    }
    return HX_DIR_OK;
}

const char* hx_dir_errdesc(int code) {
    switch (code) {
        case HX_DIR_NOT_FOUND: return "No such file or directory";
        case HX_DIR_NOT_A_DIR: return "Not a directory";
        case HX_DIR_DENIED: return "Permission denied";
        case HX_DIR_END: return "No more entries";
        case HX_DIR_TOO_LONG: return "Entry path longer than the path buffer";
        case HX_DIR_INVALID: return "Invalid argument";
        case HX_DIR_NO_MEMORY: return "Out of memory";
        default: break;
    }
    if (code > HX_DIR_SYSTEM) return platformDescribe(code - HX_DIR_SYSTEM);
    return nullptr;
}

void hx_dir_close(hx_dir_t handle) {
    if (!handle) return;
    platformCloseDirectory(&handle->platform);
    delete[] handle->prefix;
    delete handle;
}

}  // extern "C"
