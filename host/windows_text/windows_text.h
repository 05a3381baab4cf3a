// Text between Windows and the rest of the code, for every component's
// Windows half: UTF-8 <-> UTF-16 conversion and the system's descriptions of
// error codes. Windows only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace wintext {

// `length` units of `from` (-1: up to and with its terminating zero) into
// `to`, which has room for `room` units; with `to` null, nothing is written
// and the result is the number of units needed. 0 when the text cannot be
// converted or does not fit. Invalid UTF-8 becomes U+FFFD unless `strict`,
// when it fails.
int toUtf16(const char* from, int length, wchar_t* to, int room, bool strict = false) noexcept;
int toUtf8(const wchar_t* from, int length, char* to, int room) noexcept;

// The same into strings; empty when the text cannot be converted.
std::wstring widened(std::string_view utf8);
std::string narrowed(std::wstring_view utf16);

// Whether a description keeps the full stop that ends the system's texts.
enum class FullStop { Cut, Keep };

// The system's description of error `code` in UTF-8, into `buffer` (`size`
// > 0) and always terminated, without the line end (and the full stop)
// after it. `module`, when given, is asked first (WinHTTP's codes are in
// winhttp.dll's table). Returns its length; 0, with `buffer` empty, when the
// system has no text for the code or it does not fit.
std::size_t describeError(DWORD code, char* buffer, std::size_t size, FullStop fullStop = FullStop::Cut,
                          HMODULE module = nullptr) noexcept;
// The same as a string; empty when the system has no text for the code.
std::string errorDescription(DWORD code, HMODULE module = nullptr);

}  // namespace wintext
