// Portable file layer: directories.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct hx_dir* hx_dir_t;

// The longest path, in bytes, that hx_dir_next_stat writes (without its zero).
extern int hx_dir_pathlen;

// Mode bits for hx_dir_open.
enum {
    HX_DIR_NAMES = 0x01,      // report entry paths
    HX_DIR_FILES_ONLY = 0x02, // only entries that are not directories
    HX_DIR_STAT = 0x04,       // fill the entry record
    HX_DIR_DIRS_ONLY = 0x10,  // only directories (wins over HX_DIR_FILES_ONLY)
};

// Result codes.
enum {
    HX_DIR_OK = 0,
    HX_DIR_NOT_FOUND = 2,     // the path does not exist
    HX_DIR_NOT_A_DIR = 3,     // the path is no directory
    HX_DIR_DENIED = 4,        // permission denied
    HX_DIR_END = 5,           // no more entries
};

// Entry record: 24 bytes.
typedef struct hx_dir_record {
    int64_t reserved0;
    uint32_t timeStamp;       // offset 8: modification time, seconds since 1970 UTC
    uint32_t extraValue;      // offset 12
    uint32_t type;            // offset 16: 1 directory, 0 other
    uint32_t reserved1;
} hx_dir_record_t;

int hx_dir_open(const char* path, int mode, hx_dir_t* handle);
int hx_dir_next_stat(hx_dir_t handle, char* path, int capacity, hx_dir_record_t* record);
const char* hx_dir_errdesc(int code);
void hx_dir_close(hx_dir_t handle);

#ifdef __cplusplus
}
#endif
