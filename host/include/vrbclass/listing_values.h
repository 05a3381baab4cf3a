// The values a directory listing hands out, worked out the same way for
// every backend.
#pragma once

#include <cstdint>

#include "vrbclass/VrbString.h"

// An entry's size as the listing's extra value: the bytes, saturated to
// 0..INT_MAX.
int vrbListingExtraValue(std::int64_t bytes) noexcept;
// Seconds since 1970 UTC as the listing's time stamp, clamped to the int
// range: 0 stands for 1970 itself and nothing else.
int vrbListingTimeStamp(std::int64_t seconds) noexcept;
// Why the listing of `directory` stopped: "Cannot list directory DIRECTORY:
// REASON", without ": REASON" when there is no reason. Never empty, also
// when memory is short.
VrbString vrbListingBreakOff(const char* directory, const char* reason) noexcept;
