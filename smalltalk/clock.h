// The script system's clock: local wall-clock time as whole days and seconds,
// and the calendar fields and formatted text of such a time. All arithmetic
// is 64-bit.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::size_t kMaxFormattedTime = 1023;

struct WallClock {
  std::int64_t days;
  std::int64_t seconds;  // 0 .. 86399
};

// The local wall clock at UTC time t: t minus the zone's offset west of UTC,
// plus an hour while daylight saving is in force at t. In UTC it is t itself.
WallClock wallClockAt(std::time_t t);
WallClock wallClockNow();

// The calendar fields of a wall-clock time; nullopt when the platform
// cannot convert it.
struct CalendarFields {
  int second, minute, hour, dayOfMonth, month /*1-12*/, year, dayOfWeek /*0 Sunday*/,
      dayOfYear /*1-366*/, daylightSaving;
  long zoneOffsetWest;
  std::string zoneName;
};
std::optional<CalendarFields> calendarOf(std::int64_t days, std::int64_t seconds);

// strftime of the wall-clock time; nullopt when it cannot be converted, an
// empty text when the result would exceed kMaxFormattedTime characters.
std::optional<std::string> formatTime(std::int64_t days, std::int64_t seconds,
                                      const std::string& format);
