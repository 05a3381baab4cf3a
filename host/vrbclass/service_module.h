// The parts of the service module search (VrbServiceModule.h), apart so that
// tests can hold each to its promise.
#pragma once

#include "vrbaseio/VrbIO.h"
#include "vrbclass/VrbString.h"

namespace vrbservice {

// --- Platform half (Unix/service_module.inc, Windows/service_module.inc)

// The module's file name: "libvrbaseio.so" or "vrbaseio.dll".
extern const char* const kModuleFileName;
// The entry point when a module of the process already exports it, else null.
VrbIOInitializeFunction findLoadedEntry() noexcept;
// Loads the module at `modulePath` (a path, or a bare name that the system
// searches for) and returns its entry point; null with the path and the
// system's reason in *reason. A loaded module stays loaded for the life of
// the process.
VrbIOInitializeFunction loadEntryFrom(const char* modulePath, VrbString* reason) noexcept;
// The directory of the executable or shared library holding this code;
// false when the system cannot tell.
bool directoryOfThisModule(VrbString* directory) noexcept;
// The file of the module that holds `entry`; false when the system cannot tell.
bool moduleFileOf(VrbIOInitializeFunction entry, VrbString* path) noexcept;
// False when the environment variable is not set; else true with its
// value in UTF-8 (Windows reads the wide environment), null when memory is
// short.
bool environmentValue(const char* name, VrbString* value) noexcept;

// --- Portable part (service_module.cpp)

inline constexpr int kCandidateCount = 3;
// The candidates of the rule's last step, in order: beside `directory`, in
// `directory`/../lib, then the bare name. With an empty `directory` only
// the bare name is a candidate. Returns how many were written; null strings
// are never written (a candidate that cannot be made is left out).
int candidateModulePaths(const VrbString& directory, VrbString candidates[kCandidateCount]) noexcept;

}  // namespace vrbservice
