#include <gtest/gtest.h>

#include <cstdint>

#include "support/test_support.h"
#include "vrbclass/VrbDate.h"

namespace {

struct LocalDateCase {
    const char* zone;
    std::int64_t seconds;
    int year, month, day, hour, minute, second;
};

// Expectations worked out by hand from the zones' offsets. Zones without
// daylight saving: its rules are the runtime's matter (Windows' C runtime
// has its own).
const LocalDateCase kCases[] = {
    {"UTC0", 0, 1970, 1, 1, 0, 0, 0},
    {"UTC0", 951825599, 2000, 2, 29, 11, 59, 59},
    {"JST-9", 0, 1970, 1, 1, 9, 0, 0},
    {"JST-9", 1704067199, 2024, 1, 1, 8, 59, 59},
    {"JST-9", 4294967295, 2106, 2, 7, 15, 28, 15},   // the largest unsigned 32-bit time stamp
    {"EST5", 1719835200, 2024, 7, 1, 7, 0, 0},
    {"EST5", 1704067199, 2023, 12, 31, 18, 59, 59},
};

TEST(LocalDate, SecondsBecomeTheZonesCalendarTime) {
    for (const LocalDateCase& c : kCases) {
        SCOPED_TRACE(std::string(c.zone) + " " + std::to_string(c.seconds));
        vrbtest::TimeZone zone(c.zone);
        vrbRefreshTimeZone();
        VrbDate date;
        ASSERT_TRUE(vrbLocalDate(c.seconds, &date));
        VrbDate expected;
        expected.assign(c.year, c.month, c.day, c.hour, c.minute, c.second, 0);
        EXPECT_EQ(date, expected) << date.year() << "-" << date.month() << "-" << date.day() << " " << date.hour()
                                  << ":" << date.minute() << ":" << date.second();
    }
}

}  // namespace
