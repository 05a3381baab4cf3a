#include <atomic>

#include "vrbclass/VrbServiceModule.h"
#include "vrbclass/VrbTxtFile.h"
#include "vrbclass/vrb_message.h"

namespace {

constexpr const char* kLabel = "vrbclass";
constexpr const char* kComponent = "Base Services";

// The one service of the process, made on first use. It is never destroyed:
// it must outlive every text file it hands out, and callers may keep those
// until the process ends.
std::atomic<VrbIO*> sharedService{nullptr};

VrbIO* acquireService(const char* path, VrbString* error) noexcept {
    if (VrbIO* service = sharedService.load(std::memory_order_acquire)) return service;
    VrbString reason;
    VrbIOInitializeFunction entry = vrbFindServiceModule(nullptr, nullptr, &reason);
    if (!entry) {
        *error = vrb_get_message(kLabel, __LINE__, kComponent, 1353, path, reason.asCstr());
        return nullptr;
    }
    VrbIO* created = entry();
    if (!created) {
        *error = vrb_get_message(kLabel, __LINE__, kComponent, 444);
        return nullptr;
    }
    // Two threads may both have made one; the later keeps the earlier's.
    VrbIO* expected = nullptr;
    if (!sharedService.compare_exchange_strong(expected, created, std::memory_order_acq_rel)) {
        created->destroy();
        return expected;
    }
    return created;
}

}  // namespace

VrbTxtFile* vrbTxtFileOpen(const char* path, VrbTxtFileOpenMode mode, int encoding, int flags, VrbString* error) {
    VrbString scratch;
    if (!error) error = &scratch;
    if (!path) {
        *error = vrb_get_message(kLabel, __LINE__, kComponent, 1353, "(null)", "no path was given");
        return nullptr;
    }
    VrbIO* service = acquireService(path, error);
    if (!service) return nullptr;
    VrbString location(path, false);
    if (location.isNull()) {
        *error = vrb_get_message(kLabel, __LINE__, kComponent, 444);
        return nullptr;
    }
    return service->openTextFile(location, mode, encoding, flags, error);
}
