// What vrbio tells its user: help, usage errors and failures.
#pragma once

#include <string>

#include "vrbclass/VrbString.h"

namespace vrbio {

// The help text on standard output; exit status 0.
int printHelp();
// One command's usage and options on standard output; exit status 0.
int printCommandHelp(const char* command);
// "vrbio: COMMAND: problem" and the command's usage line on standard error;
// exit status 2. A null command gives the general usage line.
int usageError(const char* command, const std::string& problem);
// A location as messages show it: secret parameters (delegation tokens)
// masked, as the module masks them in its own messages.
std::string shownLocation(const char* location);
// "vrbio: reason" on standard error; exit status 1.
int failure(const std::string& reason);
// The same for a reason the I/O module reported; `fallback` stands in for
// an empty text.
int failure(const VrbString& reason, const char* fallback);
int failure(const std::string& reason, const char* fallback);

}  // namespace vrbio
