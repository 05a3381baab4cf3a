// Finding the I/O service module and its entry point VrbIOInitialize.
#pragma once

#include "vrbaseio/VrbIO.h"
#include "vrbclass/VrbString.h"

namespace vrbservice {

// --- Platform section (service_module_posix.cpp, service_module_windows.cpp)

// The module's file name: "libvrbaseio.so" or "vrbaseio.dll".
extern const char* const kModuleFileName;
// The entry point when a module of the process already exports it, else null.
VrbIOInitializeFunction findLoadedEntry() noexcept;
// Loads the module at `modulePath` (a path, or a bare name that the system
// searches for) and returns its entry point; null with the system's reason
// in *reason. A loaded module stays loaded for the life of the process.
VrbIOInitializeFunction loadEntryFrom(const char* modulePath, VrbString* reason) noexcept;
// The directory of the executable or shared library holding this code;
// false when the system cannot tell.
bool directoryOfThisModule(VrbString* directory) noexcept;

// --- Portable part (service_module.cpp)

inline constexpr int kCandidateCount = 3;
// Where the module is looked for, in order: beside `directory`, in
// `directory`/../lib, then by its bare name. With an empty `directory` only
// the bare name is a candidate. Returns how many were written; null strings
// are never written (a candidate that cannot be made is left out).
int candidateModulePaths(const VrbString& directory, VrbString candidates[kCandidateCount]) noexcept;
// The entry point of the service: already loaded, else from the first
// candidate that loads. Null with the reasons of every attempt in *reason.
VrbIOInitializeFunction findServiceEntry(VrbString* reason) noexcept;

}  // namespace vrbservice
