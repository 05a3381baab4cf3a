#include <cstdio>
#include <string>

#include "Commands.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "ServiceModule.h"
#include "vrbaseio_version.h"

namespace vrbio {

int runVersion(int count, char* const* arguments) {
    if (count > 0) return usageError(nullptr, "unexpected operand '" + std::string(arguments[0]) + "'");
    std::printf("vrbio %s\n", VRBASEIO_VERSION);
    ServiceModule module;
    std::string loadError;
    if (!module.load(&loadError)) {
        std::fflush(stdout);
        return failure(loadError);
    }
    std::printf("module %s\n", module.path().empty() ? "(path unknown)" : module.path().c_str());
    return std::fflush(stdout) == 0 ? kExitSuccess : kExitFailure;
}

}  // namespace vrbio
