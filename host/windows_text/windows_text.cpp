#include "windows_text.h"

#include <cwctype>

namespace wintext {

int toUtf16(const char* from, int length, wchar_t* to, int room, bool strict) noexcept {
    return MultiByteToWideChar(CP_UTF8, strict ? MB_ERR_INVALID_CHARS : 0, from, length, to, to ? room : 0);
}

int toUtf8(const wchar_t* from, int length, char* to, int room) noexcept {
    return WideCharToMultiByte(CP_UTF8, 0, from, length, to, to ? room : 0, nullptr, nullptr);
}

std::wstring widened(std::string_view utf8) {
    int units = utf8.empty() ? 0 : toUtf16(utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0) toUtf16(utf8.data(), static_cast<int>(utf8.size()), wide.data(), units);
    return wide;
}

std::string narrowed(std::wstring_view utf16) {
    int bytes = utf16.empty() ? 0 : toUtf8(utf16.data(), static_cast<int>(utf16.size()), nullptr, 0);
    std::string narrow(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) toUtf8(utf16.data(), static_cast<int>(utf16.size()), narrow.data(), bytes);
    return narrow;
}

std::size_t describeError(DWORD code, char* buffer, std::size_t size, FullStop fullStop, HMODULE module) noexcept {
    buffer[0] = '\0';
    wchar_t* text = nullptr;
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (module) flags |= FORMAT_MESSAGE_FROM_HMODULE;
    DWORD length = FormatMessageW(flags, module, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    // The table's texts end in a full stop and CR LF; messages go on after them.
    auto ending = [&](wchar_t c) { return std::iswspace(c) || (fullStop == FullStop::Cut && c == L'.'); };
    while (length > 0 && ending(text[length - 1])) --length;
    int room = static_cast<int>(size) - 1;
    int bytes = length == 0 || room < 1 ? 0 : toUtf8(text, static_cast<int>(length), buffer, room);
    if (text) LocalFree(text);
    if (bytes <= 0) return 0;
    buffer[bytes] = '\0';
    return static_cast<std::size_t>(bytes);
}

std::string errorDescription(DWORD code, HMODULE module) {
    char text[2048];
    return std::string(text, describeError(code, text, sizeof text, FullStop::Cut, module));
}

}  // namespace wintext
