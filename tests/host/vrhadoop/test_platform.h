// What the access library's tests need of the system beyond sockets: the
// process's environment, its id, local time and commands run through the
// shell. POSIX in Unix/test_platform.inc, Windows in Windows/test_platform.inc.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace vrhadooptest {

// Empty when the variable is not set.
std::string environment(const char* name);
// On Windows an empty value removes the variable, as the C runtime there
// keeps no empty ones.
void setEnvironment(const char* name, const std::string& value);
void unsetEnvironment(const char* name);

// Sets one variable, or removes it (no value), for the object's life, and
// puts back what was there before, also when a test ends early.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::optional<std::string>& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> previous_;
};

long processId();
std::tm localTime(std::time_t seconds);
// Runs a command line through the system's shell (sh, or cmd on Windows)
// with both output streams into *output, without its final newlines; true
// when it exited with 0.
bool runShell(const std::string& command, std::string* output);

}  // namespace vrhadooptest
