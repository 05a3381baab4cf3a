#include "service_module.h"

#include <utility>

#include "vrbclass/vrb_path.h"

namespace vrbservice {

int candidateModulePaths(const VrbString& directory, VrbString candidates[kCandidateCount]) noexcept {
    VrbString moduleName(kModuleFileName, true);
    int count = 0;
    auto add = [&](VrbString path) {
        if (!path.isNull() && !path.empty()) candidates[count++] = std::move(path);
    };
    if (!directory.empty()) {
        add(vrbConcatPath(directory, moduleName));
        VrbString libDirectory = vrbConcatPath(vrbConcatPath(directory, VrbString("..", true)), VrbString("lib", true));
        if (!libDirectory.isNull()) add(vrbConcatPath(libDirectory, moduleName));
    }
    add(moduleName);
    return count;
}

VrbIOInitializeFunction findServiceEntry(VrbString* reason) noexcept {
    if (VrbIOInitializeFunction entry = findLoadedEntry()) return entry;

    VrbString directory;
    if (!directoryOfThisModule(&directory)) directory.setNull();
    VrbString candidates[kCandidateCount];
    int count = candidateModulePaths(directory, candidates);

    VrbString reasons("the I/O service module cannot be loaded", true);
    bool failed = false;
    for (int i = 0; i < count; ++i) {
        VrbString attemptReason;
        if (VrbIOInitializeFunction entry = loadEntryFrom(candidates[i].asCstr(), &attemptReason)) return entry;
        reasons.append(i == 0 ? ": " : "; ", &failed);
        reasons.append(attemptReason, &failed);
    }
    // A reason cut short by a lack of memory still says what failed.
    *reason = failed ? VrbString("the I/O service module cannot be loaded", true) : reasons;
    return nullptr;
}

}  // namespace vrbservice
