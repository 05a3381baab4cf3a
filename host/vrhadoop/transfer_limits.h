// How long the library waits for the network. Fixed for the library's users;
// tests shorten them to see timeouts without waiting half a minute.
#pragma once

#include <string>

namespace vrhadoop {

struct TransferLimits {
    long connectTimeoutMs = 5000;   // to establish a connection
    long stallTimeoutMs = 30000;    // without a byte moving while a call waits
};

TransferLimits& transferLimits() noexcept;

// The stall timeout in words, e.g. "30 s" or "1.5 s".
std::string stallTimeText();

}  // namespace vrhadoop
