// The system error codes the file layer reports, by what they mean: errno
// values on POSIX systems, GetLastError codes on Windows.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#endif

namespace vrbtest {

#if defined(_WIN32)
inline constexpr int kCodeNotFound = ERROR_FILE_NOT_FOUND;
inline constexpr int kCodeNoSuchDirectory = ERROR_PATH_NOT_FOUND;
inline constexpr int kCodeIsADirectory = 336;  // ERROR_DIRECTORY_NOT_SUPPORTED
inline constexpr int kCodeInvalid = ERROR_INVALID_PARAMETER;
inline constexpr int kCodeBadHandle = ERROR_INVALID_HANDLE;
inline constexpr int kCodeNotOpenForWriting = ERROR_ACCESS_DENIED;
inline constexpr int kCodeNegativeSeek = ERROR_NEGATIVE_SEEK;
#else
inline constexpr int kCodeNotFound = ENOENT;
inline constexpr int kCodeNoSuchDirectory = ENOENT;
inline constexpr int kCodeIsADirectory = EISDIR;
inline constexpr int kCodeInvalid = EINVAL;
inline constexpr int kCodeBadHandle = EBADF;
inline constexpr int kCodeNotOpenForWriting = EBADF;
inline constexpr int kCodeNegativeSeek = EINVAL;
#endif

}  // namespace vrbtest
