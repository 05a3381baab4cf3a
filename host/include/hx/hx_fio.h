// Portable file layer: files.
#pragma once

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
// layer error code (hx_fio_errdesc describes it). With HX_FIO_CHECK the file
// is not kept open (nor created) and handle may be null.
int hx_fio_open(const char* path, unsigned char openByte, hx_file_t* handle);
// A description of a layer error code, or null for a code it does not know.
const char* hx_fio_errdesc(int code);
// A buffer size that makes large sequential reads of the file fast; > 0.
// `hint` < 0 asks for the layer's choice.
int hx_fio_bufsize(hx_file_t handle, int hint);
// origin 0 start, 1 current, 2 end. The new position, negative on failure.
int64_t hx_fio_seek64(hx_file_t handle, int64_t offset, int origin);
// Bytes read (at most room), 0 at end of file or for room 0, negative on failure.
int hx_fio_getb(hx_file_t handle, void* dest, int room);
// Writes all `length` bytes; returns length, or negative on failure.
int hx_fio_putb(hx_file_t handle, const void* data, int length);
// The system error code of the handle's last failure (errno on POSIX).
int hx_fio_syserr(hx_file_t handle);
// The system's description of a system error code.
const char* hx_fio_sysdesc(int syserr);

// Status record: 40 bytes; `size` lies at byte offset 16.
typedef struct hx_fio_stat {
    int64_t modified;     // seconds since 1970 UTC
    uint32_t mode;        // platform mode bits
    uint32_t isDirectory; // 1 for a directory
    int64_t size;         // bytes
    int64_t reserved[2];
} hx_fio_stat_t;

// 0 on success, else a layer error code.
int hx_fio_stat64(const char* path, hx_fio_stat_t* status);
// 0 on success, else a layer error code; the handle is gone either way.
int hx_fio_close(hx_file_t handle);

#ifdef __cplusplus
}
#endif
