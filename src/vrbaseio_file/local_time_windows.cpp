#include "local_time.h"

namespace vrblocaltime {

void refreshTimeZone() noexcept { _tzset(); }

bool toLocal(std::uint32_t seconds, std::tm* parts) noexcept {
    __time64_t value = seconds;
    return _localtime64_s(parts, &value) == 0;
}

}  // namespace vrblocaltime
