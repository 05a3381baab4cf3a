// The I/O module loaded at run time and the one service vrbio takes from it.
#pragma once

#include <string>

#include "vrbaseio/VrbIO.h"

namespace vrbio {

// Environment variable that names the module to load instead of the one
// installed beside vrbio.
inline constexpr const char* kModuleVariable = "VRBIO_MODULE";

class ServiceModule {
public:
    ServiceModule() = default;
    ~ServiceModule();
    ServiceModule(const ServiceModule&) = delete;
    ServiceModule& operator=(const ServiceModule&) = delete;

    // Loads the module, finds its entry point and creates the service.
    // False with the reason in *error.
    bool load(std::string* error);
    VrbIO* service() const { return service_; }

    // Where load() looks: $VRBIO_MODULE, else beside the executable.
    static std::string modulePath();

private:
    void* module_ = nullptr;
    VrbIO* service_ = nullptr;
};

}  // namespace vrbio
