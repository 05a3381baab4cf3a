#include "ServiceModule.h"

#include <cstdlib>

#include "Platform.h"

namespace vrbio {

ServiceModule::~ServiceModule() {
    // The service must outlive everything it handed out; callers destroy
    // those first, so it goes here, before its code is unmapped.
    if (service_ != nullptr) service_->destroy();
    if (module_ != nullptr) unloadSharedModule(module_);
}

std::string ServiceModule::modulePath() {
    const char* chosen = std::getenv(kModuleVariable);
    if (chosen != nullptr && *chosen != '\0') return chosen;
    return executableDirectory() + "/" + kModuleRelativePath;
}

bool ServiceModule::load(std::string* error) {
    std::string path = modulePath();
    std::string reason;
    module_ = loadSharedModule(path, &reason);
    if (module_ == nullptr) {
        *error = "cannot load the I/O module " + path + ": " + reason;
        return false;
    }
    auto initialize = reinterpret_cast<VrbIOInitializeFunction>(findModuleSymbol(module_, VRB_IO_INITIALIZE_NAME));
    if (initialize == nullptr) {
        *error = "the I/O module " + path + " has no entry point " + VRB_IO_INITIALIZE_NAME;
        return false;
    }
    service_ = initialize();
    if (service_ == nullptr) {
        *error = "the I/O module " + path + " could not create its service (out of memory)";
        return false;
    }
    return true;
}

}  // namespace vrbio
