#include "local_time.h"

namespace vrblocaltime {

void refreshTimeZone() noexcept { tzset(); }

bool toLocal(std::uint32_t seconds, std::tm* parts) noexcept {
    static_assert(sizeof(std::time_t) >= 8, "time stamps past 2038 need a 64-bit time_t");
    std::time_t value = static_cast<std::time_t>(seconds);
    return localtime_r(&value, parts) != nullptr;
}

}  // namespace vrblocaltime
