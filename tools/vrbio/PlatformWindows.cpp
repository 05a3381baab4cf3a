#include "Platform.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>
#include <shellapi.h>

namespace vrbio {

namespace {

std::string utf8(const wchar_t* wide, int units) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, units, text.data(), bytes, nullptr, nullptr);
    return text;
}

std::wstring wide(const std::string& text) {
    int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring result(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), units);
    return result;
}

// Identity of an existing file: volume and file index.
bool fileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE file = CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool known = GetFileInformationByHandle(file, info) != 0;
    CloseHandle(file);
    return known;
}

}  // namespace

bool commandArguments(int, char**, std::vector<std::string>* arguments) {
    int count = 0;
    wchar_t** wideArguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wideArguments == nullptr) return false;
    arguments->clear();
    for (int i = 1; i < count; ++i) arguments->push_back(utf8(wideArguments[i], -1).c_str());
    LocalFree(wideArguments);
    return true;
}

void prepareStandardStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool writeAll(int descriptor, const char* data, std::size_t length, std::string* error) {
    while (length > 0) {
        unsigned piece = length > 0x40000000u ? 0x40000000u : static_cast<unsigned>(length);
        int written = _write(descriptor, data, piece);
        if (written < 0) {
            *error = std::strerror(errno);
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

void setBinaryOutput(int descriptor) { _setmode(descriptor, _O_BINARY); }

bool isTerminal(int descriptor) { return _isatty(descriptor) != 0; }

bool sameExistingFile(const std::string& first, const std::string& second) {
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    if (!fileIdentity(first, &a) || !fileIdentity(second, &b)) return false;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace vrbio
