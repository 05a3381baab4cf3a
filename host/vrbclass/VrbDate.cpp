#include "vrbclass/VrbDate.h"

void VrbDate::assign(int year, int month, int day, int hour, int minute, int second, int fraction) noexcept {
    year_ = year;
    month_ = month;
    day_ = day;
    hour_ = hour;
    minute_ = minute;
    second_ = second;
    fraction_ = fraction;
}
