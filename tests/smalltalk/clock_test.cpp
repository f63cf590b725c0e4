#include "smalltalk/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Runs each test in a chosen time zone and restores the previous one.
class ClockInZone : public ::testing::Test {
 protected:
  std::string saved;
  bool wasSet = false;
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    wasSet = tz != nullptr;
    saved = tz ? tz : "";
  }
  void TearDown() override {
    if (wasSet) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }
  static void useZone(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
  }
};

TEST_F(ClockInZone, UtcWallClockIsDaysAndSecondsSince1970) {
  useZone("UTC0");
  WallClock w = wallClockAt(1000000000);  // 2001-09-09 01:46:40 UTC
  EXPECT_EQ(w.days, 11574);
  EXPECT_EQ(w.seconds, 6400);
  WallClock before = wallClockAt(-1);
  EXPECT_EQ(before.days, -1);
  EXPECT_EQ(before.seconds, 86399);
}

TEST_F(ClockInZone, UtcCalendarFieldsOfANow) {
  useZone("UTC0");
  std::time_t t = std::time(nullptr);
  WallClock w = wallClockAt(t);
  std::tm utc{};
  gmtime_r(&t, &utc);
  std::optional<CalendarFields> f = calendarOf(w.days, w.seconds);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->second, utc.tm_sec);
  EXPECT_EQ(f->minute, utc.tm_min);
  EXPECT_EQ(f->hour, utc.tm_hour);
  EXPECT_EQ(f->dayOfMonth, utc.tm_mday);
  EXPECT_EQ(f->month, utc.tm_mon + 1);
  EXPECT_EQ(f->year, utc.tm_year + 1900);
  EXPECT_EQ(f->dayOfWeek, utc.tm_wday);
  EXPECT_EQ(f->dayOfYear, utc.tm_yday + 1);
  EXPECT_EQ(f->daylightSaving, 0);
  EXPECT_EQ(f->zoneOffsetWest, 0);
  EXPECT_EQ(f->zoneName, "UTC");
}

TEST_F(ClockInZone, KnownDateAllFields) {
  useZone("UTC0");
  std::optional<CalendarFields> f = calendarOf(11574, 6400);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->year, 2001);
  EXPECT_EQ(f->month, 9);
  EXPECT_EQ(f->dayOfMonth, 9);
  EXPECT_EQ(f->hour, 1);
  EXPECT_EQ(f->minute, 46);
  EXPECT_EQ(f->second, 40);
  EXPECT_EQ(f->dayOfWeek, 0);  // a Sunday
  EXPECT_EQ(f->dayOfYear, 252);
}

// In a zone without daylight saving the wall clock is local time, and the
// calendar of it gives the local fields back.
TEST_F(ClockInZone, FixedZoneRoundTripsToLocalTime) {
  useZone("XST-5");  // five hours east of UTC
  WallClock w = wallClockAt(1000000000);
  EXPECT_EQ(w.days * 86400 + w.seconds, 1000000000LL + 5 * 3600);
  std::optional<CalendarFields> f = calendarOf(w.days, w.seconds);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->hour, 6);
  EXPECT_EQ(f->minute, 46);
  EXPECT_EQ(f->zoneOffsetWest, -5 * 3600);
  EXPECT_EQ(f->zoneName, "XST");
}

TEST_F(ClockInZone, FormatAndOutOfRangeTimes) {
  useZone("UTC0");
  EXPECT_EQ(formatTime(11574, 6400, "%Y-%m-%d %H:%M:%S"), "2001-09-09 01:46:40");
  EXPECT_EQ(formatTime(11574, 6400, ""), "");
  EXPECT_FALSE(calendarOf(INT64_MAX / 2, 0));
  EXPECT_FALSE(calendarOf(0, INT64_MIN));
  EXPECT_FALSE(calendarOf(900000000000LL, 0));  // beyond a 32-bit year
  std::string longFormat(2000, 'x');
  EXPECT_EQ(formatTime(0, 0, longFormat), "");  // does not fit: empty text
}

}  // namespace
