// POSIX section of the service module search: dlsym, dlopen and dladdr.
#include "service_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "vrbclass/vrb_path.h"

namespace vrbservice {

const char* const kModuleFileName = "libvrbaseio.so";

VrbIOInitializeFunction findLoadedEntry() noexcept {
    return reinterpret_cast<VrbIOInitializeFunction>(dlsym(RTLD_DEFAULT, VRB_IO_INITIALIZE_NAME));
}

VrbIOInitializeFunction loadEntryFrom(const char* modulePath, VrbString* reason) noexcept {
    // Never closed: the service and every object it hands out live in it.
    void* module = dlopen(modulePath, RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = dlerror();
        reason->assign(why ? why : modulePath);
        return nullptr;
    }
    auto entry = reinterpret_cast<VrbIOInitializeFunction>(dlsym(module, VRB_IO_INITIALIZE_NAME));
    if (!entry) {
        const char* why = dlerror();
        reason->assign(why ? why : modulePath);
    }
    return entry;
}

bool directoryOfThisModule(VrbString* directory) noexcept {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&directoryOfThisModule), &info) == 0 || !info.dli_fname) return false;
    char resolved[PATH_MAX];
    bool found = false;
    // For the main program the loader may report its name as it was started,
    // without a directory; the system then knows the file better.
    if (std::strchr(info.dli_fname, '/')) {
        found = realpath(info.dli_fname, resolved) != nullptr;
    }
#if defined(__linux__)
    if (!found) {
        ssize_t length = readlink("/proc/self/exe", resolved, sizeof resolved - 1);
        found = length > 0;
        if (found) resolved[length] = '\0';
    }
#endif
    if (!found) return false;
    *directory = vrbParsePath(VrbString(resolved, false), nullptr);
    return !directory->isNull();
}

}  // namespace vrbservice
