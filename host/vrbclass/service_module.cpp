#include "service_module.h"

#include <utility>

#include "vrbclass/VrbServiceModule.h"
#include "vrbclass/vrb_path.h"

#if defined(_WIN32)
#include "Windows/service_module.inc"
#else
#include "Unix/service_module.inc"
#endif

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

namespace {

constexpr const char* kCannotLoad = "the I/O service module cannot be loaded";

// Every failed attempt's reason, joined; when memory runs short the
// summary alone still says what failed.
class AttemptReasons {
public:
    void add(const VrbString& reason) noexcept {
        text_.append(count_++ == 0 ? ": " : "; ", &failed_);
        text_.append(reason, &failed_);
    }
    VrbString result() const noexcept { return failed_ ? VrbString(kCannotLoad, true) : text_; }

private:
    VrbString text_{kCannotLoad, true};
    int count_ = 0;
    bool failed_ = false;   // an append ran out of memory; text_ is incomplete
};

VrbIOInitializeFunction found(VrbIOInitializeFunction entry, VrbString* loadedPath) noexcept {
    if (loadedPath && !moduleFileOf(entry, loadedPath)) loadedPath->setNull();
    return entry;
}

}  // namespace

}  // namespace vrbservice

VrbIOInitializeFunction vrbFindServiceModule(const char* explicitPath, VrbString* loadedPath,
                                             VrbString* reason) noexcept {
    using namespace vrbservice;
    VrbString scratch;
    if (!reason) reason = &scratch;
    AttemptReasons attempts;

    // Steps 1 and 2: a module named on purpose, and nothing else.
    VrbString chosen;
    bool named = explicitPath && *explicitPath;
    if (named) {
        chosen.assign(explicitPath);
    } else {
        named = environmentValue(kVrbServiceModuleVariable, &chosen) && !(chosen.isNull() || chosen.empty());
    }
    if (named) {
        VrbString attempt;
        if (chosen.isNull()) {
            attempt.assign("out of memory");
        } else if (VrbIOInitializeFunction entry = loadEntryFrom(chosen.asCstr(), &attempt)) {
            return found(entry, loadedPath);
        }
        attempts.add(attempt);
        *reason = attempts.result();
        return nullptr;
    }

    if (VrbIOInitializeFunction entry = findLoadedEntry()) return found(entry, loadedPath);

    VrbString directory;
    if (!directoryOfThisModule(&directory)) directory.setNull();
    VrbString candidates[kCandidateCount];
    int count = candidateModulePaths(directory, candidates);
    for (int i = 0; i < count; ++i) {
        VrbString attempt;
        if (VrbIOInitializeFunction entry = loadEntryFrom(candidates[i].asCstr(), &attempt)) {
            return found(entry, loadedPath);
        }
        attempts.add(attempt);
    }
    *reason = attempts.result();
    return nullptr;
}
