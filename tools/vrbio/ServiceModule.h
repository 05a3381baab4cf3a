// The one service vrbio takes from the I/O module, found by the host class
// library's search (vrbclass/VrbServiceModule.h).
#pragma once

#include <string>

#include "vrbaseio/VrbIO.h"

namespace vrbio {

class ServiceModule {
public:
    ServiceModule() = default;
    ~ServiceModule();
    ServiceModule(const ServiceModule&) = delete;
    ServiceModule& operator=(const ServiceModule&) = delete;

    // Finds the module and creates the service. False with the reason in *error.
    bool load(std::string* error);
    VrbIO* service() const { return service_; }
    // The file the module was loaded from; empty when the system cannot tell.
    const std::string& path() const { return path_; }

private:
    VrbIO* service_ = nullptr;   // owned; the commands destroy what it handed out first
    std::string path_;
};

}  // namespace vrbio
