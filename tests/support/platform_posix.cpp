#include "support/platform.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <stdlib.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace vrbtest {

TimeZone::TimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) {
        hadZone_ = true;
        previous_ = old;
    }
    setenv("TZ", zone, 1);
    tzset();
}

TimeZone::~TimeZone() {
    if (hadZone_) setenv("TZ", previous_.c_str(), 1);
    else unsetenv("TZ");
    tzset();
}

std::string canonicalPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

std::string programPath() { return canonicalPath("/proc/self/exe"); }

std::string moduleFileOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || !info.dli_fname) return {};
    return info.dli_fname;
}

bool setReadOnly(const std::string& path, bool readOnly) { return chmod(path.c_str(), readOnly ? 0444 : 0644) == 0; }

std::string systemErrorText(int code) { return std::strerror(code); }

std::string systemErrorMessage(int code) { return systemErrorText(code) + " (errno " + std::to_string(code) + ")"; }

}  // namespace vrbtest
