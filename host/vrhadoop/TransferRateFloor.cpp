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
    // Checks come when bytes do, which may be well after the window's end:
    // the floor applies to the whole wait.
    auto waitedMs = static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(waited_).count());
    std::uint64_t due = static_cast<std::uint64_t>(bytesPerSecond_) * waitedMs / 1000;
    std::uint64_t moved = bytes - windowBytes_;
    if (moved < due) {
        return std::to_string(moved) + (moved == 1 ? " byte in " : " bytes in ") +
               secondsText(static_cast<long>((waitedMs + 50) / 100 * 100)) + ", below the floor of " +
               std::to_string(bytesPerSecond_) + " bytes per second";
    }
    waited_ = {};
    windowBytes_ = bytes;
    return {};
}

}  // namespace vrhadoop
