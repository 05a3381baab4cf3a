// The system's description of an error number (errno values), portably.
#pragma once

#include <cstddef>

namespace vrbmessage {

// Writes the description of `code` into `buffer` (`size` > 0), always
// terminated; a number the system does not know still gets a text.
void describeSystemError(int code, char* buffer, std::size_t size) noexcept;

}  // namespace vrbmessage
