// Windows: the codes the file layer reports are the system's own
// (GetLastError), so their text comes from the system's message table,
// not from the C runtime, which knows errno values only.
#include "system_error_text.h"

#include <windows.h>

#include <cstdio>

namespace vrbmessage {

const char* const kSystemCodeName = "Windows error";

void describeSystemError(int code, char* buffer, std::size_t size) noexcept {
    wchar_t wide[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(code), 0, wide, 512, nullptr);
    // The table's texts end in a full stop and CR LF; messages go on after them.
    while (length > 0 && (wide[length - 1] == L'\r' || wide[length - 1] == L'\n' || wide[length - 1] == L'.'))
        --length;
    int bytes = length == 0 ? 0
                            : WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), buffer,
                                                  static_cast<int>(size) - 1, nullptr, nullptr);
    if (bytes <= 0) {
        std::snprintf(buffer, size, "Unknown system error %d", code);
        return;
    }
    buffer[bytes] = '\0';
}

}  // namespace vrbmessage
