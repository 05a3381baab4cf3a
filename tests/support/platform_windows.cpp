#include "support/platform.h"
#include "support/test_support.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace vrbtest {
namespace {

std::string utf8(const wchar_t* wide, int units) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide, units, text.data(), bytes, nullptr, nullptr);
    return text;
}

std::wstring wide(const std::string& text) {
    int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), units);
    return result;
}

std::string fileOfModule(HMODULE module) {
    wchar_t path[32768];
    DWORD length = GetModuleFileNameW(module, path, 32768);
    if (length == 0 || length >= 32768) return {};
    return utf8(path, static_cast<int>(length));
}

}  // namespace

// The C runtime reads TZ itself; an empty value removes it.
TimeZone::TimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) {
        hadZone_ = true;
        previous_ = old;
    }
    _putenv_s("TZ", zone);
    _tzset();
}

TimeZone::~TimeZone() {
    _putenv_s("TZ", hadZone_ ? previous_.c_str() : "");
    _tzset();
}

std::string canonicalPath(const std::string& path) {
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::canonical(vrbtest::fsPath(path), error);
    if (error) return {};
    std::u8string text = resolved.u8string();
    return std::string(text.begin(), text.end());
}

std::string programPath() { return canonicalPath(fileOfModule(nullptr)); }

std::string moduleFileOf(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module)) {
        return {};
    }
    return fileOfModule(module);
}

bool setReadOnly(const std::string& path, bool readOnly) {
    std::wstring widePath = wide(path);
    DWORD attributes = GetFileAttributesW(widePath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    attributes = readOnly ? attributes | FILE_ATTRIBUTE_READONLY : attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
    return SetFileAttributesW(widePath.c_str(), attributes) != 0;
}

std::string systemErrorText(int code) {
    wchar_t text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(code), 0, text, 512, nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L'.')) --length;
    return utf8(text, static_cast<int>(length));
}

std::string systemErrorMessage(int code) {
    return systemErrorText(code) + " (Windows error " + std::to_string(code) + ")";
}

}  // namespace vrbtest
