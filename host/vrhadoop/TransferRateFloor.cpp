#include "TransferRateFloor.h"

#include "transfer_limits.h"

namespace vrhadoop {

TransferRateFloor::TransferRateFloor(long bytesPerSecond, long windowMs) noexcept
    : bytesPerSecond_(bytesPerSecond), windowMs_(windowMs) {}

void TransferRateFloor::startWaiting() noexcept {
    since_ = Clock::now();
    waiting_ = true;
}

std::string TransferRateFloor::check(std::uint64_t bytes) {
    Clock::time_point now = Clock::now();
    if (waiting_) waited_ += now - since_;
    since_ = now;
    waiting_ = true;
    if (bytesPerSecond_ <= 0 || windowMs_ <= 0 || waited_ < std::chrono::milliseconds(windowMs_)) return {};
    std::uint64_t due = static_cast<std::uint64_t>(bytesPerSecond_) * static_cast<std::uint64_t>(windowMs_) / 1000;
    std::uint64_t moved = bytes - windowBytes_;
    if (moved < due) {
        return std::to_string(moved) + (moved == 1 ? " byte in " : " bytes in ") + secondsText(windowMs_) +
               ", below the floor of " + std::to_string(bytesPerSecond_) + " bytes per second";
    }
    waited_ = {};
    windowBytes_ = bytes;
    return {};
}

}  // namespace vrhadoop
