// Calendar date and time of the host class library.
#pragma once

#include <cstdint>

class VrbDate {
public:
    VrbDate() noexcept = default;
    VrbDate(const VrbDate&) noexcept = default;
    VrbDate& operator=(const VrbDate&) noexcept = default;

    // Full year, month from 1, day, hour, minute, second, fraction
    // (milliseconds; the library passes 0). Values are stored unchecked.
    void assign(int year, int month, int day, int hour, int minute, int second, int fraction) noexcept;
    // True for a date that was never assigned.
    bool isEmpty() const noexcept { return year_ == 0 && month_ == 0 && day_ == 0; }

    int year() const noexcept { return year_; }
    int month() const noexcept { return month_; }
    int day() const noexcept { return day_; }
    int hour() const noexcept { return hour_; }
    int minute() const noexcept { return minute_; }
    int second() const noexcept { return second_; }
    int fraction() const noexcept { return fraction_; }

    bool operator==(const VrbDate&) const noexcept = default;

private:
    int year_ = 0, month_ = 0, day_ = 0, hour_ = 0, minute_ = 0, second_ = 0, fraction_ = 0;
};

// `seconds` since 1970-01-01 00:00 UTC as the local date and time of the
// process's time zone (localtime_r; _localtime64_s on Windows). False, with
// *date unchanged, when the runtime refuses the value.
bool vrbLocalDate(std::int64_t seconds, VrbDate* date) noexcept;
// Takes up the time zone the process has now (TZ, or the system's zone)
// for the vrbLocalDate calls that follow.
void vrbRefreshTimeZone() noexcept;
