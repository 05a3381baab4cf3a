// Finding and loading the I/O service module: the one search every host,
// vrbTxtFileOpen, the tools, the tests and the benchmarks go through.
//
// Search rule, first match wins:
//   1. `explicitPath`, when not null and not empty: that file alone.
//   2. The environment variable VRBASEIO_MODULE, when set and not empty:
//      that file alone.
//   3. A module of the process that already exports VrbIOInitialize.
//   4. The module's file name (libvrbaseio.so; vrbaseio.dll on Windows)
//      beside the program or shared library that holds this code, then in
//      ../lib from there (an installed prefix: bin/ and lib/), then the
//      bare name through the system's own search (LD_LIBRARY_PATH and the
//      loader cache; Windows' DLL search order).
// In 1 and 2 a failure is final: a module named on purpose is never
// replaced by another one found elsewhere.
//
// A module once loaded stays loaded until the process ends: the service and
// every object it hands out run its code, and strings it returns may refer
// to its constant data.
#pragma once

#include "vrbaseio/VrbIO.h"
#include "vrbclass/VrbString.h"

inline constexpr const char* kVrbServiceModuleVariable = "VRBASEIO_MODULE";

// The module's entry point, found by the rule above. On success
// *loadedPath (when not null) receives the file the entry point lives in.
// Null on failure, with every attempt's path and reason in *reason (when
// not null). No exception leaves it; several threads may call it at once.
VrbIOInitializeFunction vrbFindServiceModule(const char* explicitPath, VrbString* loadedPath,
                                             VrbString* reason) noexcept;
