#include "test_platform.h"

#include <cstdio>
#include <cstdlib>

#if defined(_WIN32)
#include "Windows/test_platform.inc"
#else
#include "Unix/test_platform.inc"
#endif

namespace vrhadooptest {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

ScopedEnvironment::ScopedEnvironment(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old;
    if (value) {
        setEnvironment(name, *value);
    } else {
        unsetEnvironment(name);
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    if (previous_) {
        setEnvironment(name_, *previous_);
    } else {
        unsetEnvironment(name_);
    }
}

bool runShell(const std::string& command, std::string* output) {
    output->clear();
    std::FILE* pipe = openPipe(command + " 2>&1");
    if (!pipe) return false;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) *output += buffer;
    while (!output->empty() && (output->back() == '\n' || output->back() == '\r')) output->pop_back();
    return closePipe(pipe) == 0;
}

}  // namespace vrhadooptest
