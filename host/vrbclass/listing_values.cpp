#include "vrbclass/listing_values.h"

#include <climits>

int vrbListingExtraValue(std::int64_t bytes) noexcept {
    if (bytes < 0) return 0;
    return bytes > INT_MAX ? INT_MAX : static_cast<int>(bytes);
}

int vrbListingTimeStamp(std::int64_t seconds) noexcept {
    if (seconds < INT_MIN) return INT_MIN;
    return seconds > INT_MAX ? INT_MAX : static_cast<int>(seconds);
}

VrbString vrbListingBreakOff(const char* directory, const char* reason) noexcept {
    VrbString text("Cannot list directory ", true);
    bool failed = false;
    text.append(directory ? directory : "", &failed);
    if (reason && *reason) {
        text.append(": ", &failed);
        text.append(reason, &failed);
    }
    return failed ? VrbString("Cannot list a directory: out of memory", true) : text;
}
