// Portable file layer: files.
//
// Error codes: on POSIX systems every error code of this layer is the errno
// value of the failure (hx_fio_errdesc and hx_fio_sysdesc then agree); on
// Windows it is the system's error code (GetLastError).
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct hx_file* hx_file_t;

// Open-byte bits for hx_fio_open.
enum {
    HX_FIO_READ = 0x01,       // open for reading
    HX_FIO_WRITE = 0x02,      // open for writing
    HX_FIO_CREATE = 0x04,     // create the file when missing
    HX_FIO_SHARE = 0x08,      // let other openers read and write meanwhile
    HX_FIO_TRUNCATE = 0x40,   // discard existing content
    HX_FIO_CHECK = 0x80,      // only test that the open would succeed; no handle
};

// Opens `path` with the open-byte bits. Returns 0 with *handle set, or a
// layer error code (hx_fio_errdesc describes it). Directories are refused.
// Handles are not inherited by child processes.
//
// With HX_FIO_CHECK the layer establishes, for the calling process as it is
// (privileges, read-only file systems, files in use), whether the same open
// without the bit would succeed. Nothing is created or truncated, nothing is
// kept open, opening a FIFO does not wait for its other end, and *handle (when
// handle is not null) is set to null.
int hx_fio_open(const char* path, unsigned char openByte, hx_file_t* handle);
// A description of a layer error code, or null for a code it does not know.
const char* hx_fio_errdesc(int code);
// A buffer size that makes large sequential reads of the file fast; > 0.
// `hint` > 0 is returned unchanged; 0 or < 0 asks for the layer's choice.
int hx_fio_bufsize(hx_file_t handle, int hint);
// origin 0 start, 1 current, 2 end. The new position, negative on failure.
int64_t hx_fio_seek64(hx_file_t handle, int64_t offset, int origin);
// Bytes read (at most room), 0 at end of file or for room 0, negative on failure.
int hx_fio_getb(hx_file_t handle, void* dest, int room);
// Writes all `length` bytes; returns length, or negative on failure.
int hx_fio_putb(hx_file_t handle, const void* data, int length);
// The system error code of the handle's last failure (errno on POSIX); 0 when
// none happened yet.
int hx_fio_syserr(hx_file_t handle);
// The system's description of a system error code; never null.
const char* hx_fio_sysdesc(int syserr);

// Status record: 40 bytes; `size` lies at byte offset 16.
typedef struct hx_fio_stat {
    int64_t modified;     // seconds since 1970 UTC
    uint32_t mode;        // platform mode bits
    uint32_t isDirectory; // 1 for a directory
    int64_t size;         // bytes
    int64_t reserved[2];
} hx_fio_stat_t;

// Symbolic links are followed. 0 on success, else a layer error code.
int hx_fio_stat64(const char* path, hx_fio_stat_t* status);
// 0 on success, else a layer error code; the handle is gone either way.
int hx_fio_close(hx_file_t handle);

#ifdef __cplusplus
}

static_assert(sizeof(hx_fio_stat_t) == 40, "status record is 40 bytes");
static_assert(offsetof(hx_fio_stat_t, size) == 16, "size lies at byte offset 16");
#endif
