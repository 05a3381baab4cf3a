#include "ServiceModule.h"

#include "vrbclass/VrbServiceModule.h"

namespace vrbio {

ServiceModule::~ServiceModule() {
    // The service must outlive everything it handed out; callers destroy
    // those first. The module itself stays loaded until the process ends.
    if (service_ != nullptr) service_->destroy();
}

bool ServiceModule::load(std::string* error) {
    VrbString loadedPath;
    VrbString reason;
    VrbIOInitializeFunction initialize = vrbFindServiceModule(nullptr, &loadedPath, &reason);
    if (initialize == nullptr) {
        *error = reason.asCstr();
        return false;
    }
    path_ = loadedPath.asCstr();
    service_ = initialize();
    if (service_ == nullptr) {
        *error = "the I/O module " + path_ + " could not create its service (out of memory)";
        return false;
    }
    return true;
}

}  // namespace vrbio
