#include "vrbclass/VrbDate.h"

#if defined(_WIN32)
#include "Windows/local_date.inc"
#else
#include "Unix/local_date.inc"
#endif

void VrbDate::assign(int year, int month, int day, int hour, int minute, int second, int fraction) noexcept {
    year_ = year;
    month_ = month;
    day_ = day;
    hour_ = hour;
    minute_ = minute;
    second_ = second;
    fraction_ = fraction;
}

bool vrbLocalDate(std::int64_t seconds, VrbDate* date) noexcept {
    std::tm parts{};
    if (!toLocalParts(seconds, &parts)) return false;
    date->assign(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, 0);
    return true;
}
