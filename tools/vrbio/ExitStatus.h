#pragma once

namespace vrbio {

enum ExitStatus : int {
    kExitSuccess = 0,
    kExitFailure = 1,   // the reason is on standard error
    kExitUsage = 2,
};

}  // namespace vrbio
