#include "transfer_limits.h"

#include <cstdio>

namespace vrhadoop {

std::string secondsText(long milliseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(milliseconds) / 1000.0);
    return text;
}

}  // namespace vrhadoop
