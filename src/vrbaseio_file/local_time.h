// Local calendar time of the listing's time stamps, the platform's way:
// _localtime64 on Windows, localtime_r elsewhere.
#pragma once

#include <cstdint>
#include <ctime>

namespace vrblocaltime {

// Takes up the time zone the process has now (TZ, or the system's zone).
void refreshTimeZone() noexcept;
// Seconds since 1970-01-01 00:00 UTC as local calendar time; false when the
// runtime refuses the value.
bool toLocal(std::uint32_t seconds, std::tm* parts) noexcept;

}  // namespace vrblocaltime
