#include "ServiceModule.h"

#include <cstdlib>

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
    // VRBIO_MODULE is the name earlier releases of vrbio read; scripts that
    // set it keep working, and VRBASEIO_MODULE, when set, wins.
    const char* formerVariable = std::getenv("VRBASEIO_MODULE") ? nullptr : std::getenv("VRBIO_MODULE");
    if (formerVariable != nullptr && *formerVariable == '\0') formerVariable = nullptr;
    VrbIOInitializeFunction initialize = vrbFindServiceModule(formerVariable, &loadedPath, &reason);
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
