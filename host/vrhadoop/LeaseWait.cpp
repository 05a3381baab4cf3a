#include "LeaseWait.h"

#include <algorithm>
#include <string>
#include <thread>

namespace vrhadoop {

bool LeaseWait::pauseAfter(Failure* failure) {
    using Clock = std::chrono::steady_clock;
    if (failure->remedy != Remedy::AwaitLease) return false;
    if (refusals_++ == 0) {
        started_ = Clock::now();
        pauseMs_ = retryDelayMs_;
    }
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count();
    if (elapsed + pauseMs_ > waitMs_) {
        if (refusals_ > 1) {
            failure->note = std::to_string(refusals_) + " tries in " + secondsText(static_cast<long>(elapsed));
        }
        return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs_));
    pauseMs_ = std::min(pauseMs_ * 2, kMaxPauseMs);
    return true;
}

}  // namespace vrhadoop
