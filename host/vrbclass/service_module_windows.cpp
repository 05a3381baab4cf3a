// Windows section of the service module search: GetProcAddress, LoadLibrary
// and GetModuleHandleEx. Paths are UTF-8 in VrbString and UTF-16 for the system.
#include "service_module.h"

#include <windows.h>

#include <cstdio>
#include <initializer_list>

#include "vrbclass/vrb_path.h"

namespace vrbservice {
namespace {

bool toWide(const char* text, wchar_t* wide, int room) noexcept {
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide, room) > 0;
}

void describeLastError(const char* modulePath, VrbString* reason) noexcept {
    DWORD code = GetLastError();
    char description[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                  description, sizeof description, nullptr);
    while (length > 0 && (description[length - 1] == '\r' || description[length - 1] == '\n')) --length;
    description[length] = '\0';
    char text[1024];
    std::snprintf(text, sizeof text, "%s: %s (Windows error %lu)", modulePath, description,
                  static_cast<unsigned long>(code));
    reason->assign(text);
}

}  // namespace

const char* const kModuleFileName = "vrbaseio.dll";

VrbIOInitializeFunction findLoadedEntry() noexcept {
    // Windows has no process-wide symbol scope: ask the program itself, then
    // a module of the service's name that is already loaded.
    for (HMODULE module : {GetModuleHandleW(nullptr), GetModuleHandleW(L"vrbaseio.dll")}) {
        if (!module) continue;
        if (FARPROC entry = GetProcAddress(module, VRB_IO_INITIALIZE_NAME)) {
            return reinterpret_cast<VrbIOInitializeFunction>(reinterpret_cast<void*>(entry));
        }
    }
    return nullptr;
}

VrbIOInitializeFunction loadEntryFrom(const char* modulePath, VrbString* reason) noexcept {
    wchar_t widePath[MAX_PATH * 4];
    if (!toWide(modulePath, widePath, MAX_PATH * 4)) {
        describeLastError(modulePath, reason);
        return nullptr;
    }
    // Never freed: the service and every object it hands out live in it.
    HMODULE module = LoadLibraryW(widePath);
    if (!module) {
        describeLastError(modulePath, reason);
        return nullptr;
    }
    FARPROC entry = GetProcAddress(module, VRB_IO_INITIALIZE_NAME);
    if (!entry) {
        describeLastError(modulePath, reason);
        return nullptr;
    }
    return reinterpret_cast<VrbIOInitializeFunction>(reinterpret_cast<void*>(entry));
}

bool directoryOfThisModule(VrbString* directory) noexcept {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&directoryOfThisModule), &self)) {
        return false;
    }
    wchar_t widePath[MAX_PATH * 4];
    DWORD length = GetModuleFileNameW(self, widePath, MAX_PATH * 4);
    if (length == 0 || length >= MAX_PATH * 4) return false;
    char path[MAX_PATH * 12];
    if (WideCharToMultiByte(CP_UTF8, 0, widePath, -1, path, sizeof path, nullptr, nullptr) <= 0) return false;
    *directory = vrbParsePath(VrbString(path, false), nullptr);
    return !directory->isNull();
}

}  // namespace vrbservice
