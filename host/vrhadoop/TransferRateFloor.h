// A floor on a transfer's rate. A stall bound ends a transfer whose bytes
// stop, but a server that sends a byte now and then, just within it, would
// hold a read forever; over each window of waiting at least the floor's
// bytes per second must arrive. Only time spent waiting for bytes counts:
// while the reader keeps the bytes it has, the transfer is not due any.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vrhadoop {

class TransferRateFloor {
public:
    TransferRateFloor(long bytesPerSecond, long windowMs) noexcept;

    // The wait for bytes begins (again).
    void startWaiting() noexcept;
    // Counts the time waited since startWaiting() or the last check, by
    // the end of which `bytes` had arrived in all. "" while the rate holds;
    // once a window of waiting ends with fewer bytes than the floor asks, why
    // (e.g. "3 bytes in 30 s, below the floor of 1024 bytes per second").
    std::string check(std::uint64_t bytes);

private:
    using Clock = std::chrono::steady_clock;

    // The window under way began when `windowBytes_` bytes had arrived and
    // has lasted `waited_` of waiting, up to `since_` (when waiting).
    long bytesPerSecond_;
    long windowMs_;
    Clock::duration waited_{};
    Clock::time_point since_{};
    bool waiting_ = false;
    std::uint64_t windowBytes_ = 0;
};

}  // namespace vrhadoop
