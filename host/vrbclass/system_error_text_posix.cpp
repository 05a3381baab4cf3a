#include "system_error_text.h"

#include <cstdio>
#include <cstring>

namespace vrbmessage {

const char* const kSystemCodeName = "errno";
namespace {

void describeUnknown(int code, char* buffer, std::size_t size) noexcept {
    std::snprintf(buffer, size, "Unknown system error %d", code);
}

// strerror_r comes in two forms: the XSI one returns an int and fills the
// buffer, the GNU one returns the text, which may lie elsewhere.
[[maybe_unused]] void takeStrerrorResult(int result, int code, char* buffer, std::size_t size) noexcept {
    if (result != 0) describeUnknown(code, buffer, size);
}
[[maybe_unused]] void takeStrerrorResult(const char* result, int code, char* buffer, std::size_t size) noexcept {
    if (!result) {
        describeUnknown(code, buffer, size);
    } else if (result != buffer) {
        std::snprintf(buffer, size, "%s", result);
    }
}

}  // namespace

void describeSystemError(int code, char* buffer, std::size_t size) noexcept {
    buffer[0] = '\0';
    takeStrerrorResult(strerror_r(code, buffer, size), code, buffer, size);
    if (buffer[0] == '\0') describeUnknown(code, buffer, size);
}

}  // namespace vrbmessage
