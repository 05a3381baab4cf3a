// Portable file layer: directories.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct hx_dir* hx_dir_t;

// The size, in bytes, of a path buffer that holds every path that
// hx_dir_next_stat can write, its terminating zero included (PATH_MAX on
// POSIX systems).
extern int hx_dir_pathlen;

// Mode bits for hx_dir_open.
enum {
    HX_DIR_NAMES = 0x01,      // write full entry paths (without it: the entry name alone)
    HX_DIR_FILES_ONLY = 0x02, // only entries that are not directories
    HX_DIR_STAT = 0x04,       // fill the time stamp and extra value of the record
    HX_DIR_DIRS_ONLY = 0x10,  // only directories (wins over HX_DIR_FILES_ONLY)
};

// Result codes.
enum {
    HX_DIR_OK = 0,
    HX_DIR_NOT_FOUND = 2,     // the path does not exist
    HX_DIR_NOT_A_DIR = 3,     // the path is no directory
    HX_DIR_DENIED = 4,        // permission denied
    HX_DIR_END = 5,           // no more entries
    HX_DIR_TOO_LONG = 6,      // the entry's path does not fit the caller's buffer
    HX_DIR_INVALID = 7,       // a null or otherwise unusable argument
    HX_DIR_NO_MEMORY = 8,     // the layer's own memory could not be had
    HX_DIR_SYSTEM = 0x100,    // HX_DIR_SYSTEM + a system error code: another failure
};

// Entry record: 24 bytes.
typedef struct hx_dir_record {
    int64_t modified;         // offset 0: modification time, seconds since 1970 UTC
                              // (negative before 1970), in full
    uint32_t timeStamp;       // offset 8: the same, kept to 32 bits:
                              // 0 before 1970, 0xFFFFFFFF past the 32-bit range
    uint32_t extraValue;      // offset 12: the entry's size in bytes, 0xFFFFFFFF from 4 GiB - 1 on
    uint32_t type;            // offset 16: 1 directory, 0 other
    uint32_t reserved1;
} hx_dir_record_t;

// Opens a directory for listing. 0 with *handle set, or a result code.
int hx_dir_open(const char* path, int mode, hx_dir_t* handle);
// The next entry in the file system's own order; "." and ".." are never
// returned. Writes the entry's path (directory, one separator, name) with
// its terminating zero into `path`, which holds `capacity` bytes, and fills
// the record. Symbolic links are followed: a link to a directory is a
// directory, and a link whose target is missing is an entry that is no
// directory, with the time stamp and size of the link itself.
// 0, HX_DIR_END after the last entry, or another result code for a failure
// (the listing may go on after one).
int hx_dir_next_stat(hx_dir_t handle, char* path, int capacity, hx_dir_record_t* record);
// A description of a result code, or null for a code the layer does not know.
const char* hx_dir_errdesc(int code);
void hx_dir_close(hx_dir_t handle);

#ifdef __cplusplus
}

static_assert(sizeof(hx_dir_record_t) == 24, "entry record is 24 bytes");
static_assert(offsetof(hx_dir_record_t, modified) == 0, "the full modification time lies at byte offset 0");
static_assert(offsetof(hx_dir_record_t, timeStamp) == 8, "time stamp lies at byte offset 8");
static_assert(offsetof(hx_dir_record_t, extraValue) == 12, "extra value lies at byte offset 12");
static_assert(offsetof(hx_dir_record_t, type) == 16, "type lies at byte offset 16");
#endif
