// The module's entry points.
#include <new>

#include "vrbaseio/VrbIOImpl.h"

#if defined(_WIN32)
#include <windows.h>

// The library keeps no per-thread state, so thread notifications are of no use.
BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(module);
    return TRUE;
}
#define VRB_EXPORT extern "C" __declspec(dllexport)
#else
#define VRB_EXPORT extern "C" __attribute__((visibility("default")))
#endif

VRB_EXPORT VrbIO* VrbIOInitialize() { return new (std::nothrow) VrbIOImpl(); }
