// The system's description of the error codes the file layer reports: errno
// values on POSIX systems, GetLastError codes on Windows.
#pragma once

#include <cstddef>

namespace vrbmessage {

// Writes the description of `code` into `buffer` (`size` > 0), always
// terminated; a number the system does not know still gets a text.
void describeSystemError(int code, char* buffer, std::size_t size) noexcept;
// What the number after a description is called: "errno" or "Windows error".
extern const char* const kSystemCodeName;

}  // namespace vrbmessage
