#include "smalltalk/clock.h"

#include <limits>
#include <vector>

namespace {

bool daylightSavingAt(std::time_t t) {
  std::tm local{};
  return localtime_r(&t, &local) != nullptr && local.tm_isdst > 0;
}

// Floor division so that times before 1970 still give seconds in 0..86399.
WallClock split(std::int64_t v) {
  std::int64_t days = v / kSecondsPerDay;
  std::int64_t seconds = v % kSecondsPerDay;
  if (seconds < 0) {
    seconds += kSecondsPerDay;
    days -= 1;
  }
  return {days, seconds};
}

// Turns a wall-clock time back into the time_t whose local time it is; the
// zone offset and daylight saving are those of the current moment.
std::optional<std::tm> localTimeOf(std::int64_t days, std::int64_t seconds) {
  tzset();
  constexpr std::int64_t kMaxDays = std::numeric_limits<std::int64_t>::max() / kSecondsPerDay / 2;
  if (days > kMaxDays || days < -kMaxDays || seconds > kMaxDays || seconds < -kMaxDays)
    return std::nullopt;
  std::int64_t v = days * kSecondsPerDay + seconds + timezone;
  if (daylightSavingAt(std::time(nullptr))) v -= kSecondsPerHour;
  if (v > std::numeric_limits<std::time_t>::max() || v < std::numeric_limits<std::time_t>::min())
    return std::nullopt;
  std::time_t t = static_cast<std::time_t>(v);
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return std::nullopt;
  return local;
}

}  // namespace

WallClock wallClockAt(std::time_t t) {
  tzset();
  std::int64_t v = static_cast<std::int64_t>(t) - timezone;
  if (daylightSavingAt(t)) v += kSecondsPerHour;
  return split(v);
}

WallClock wallClockNow() { return wallClockAt(std::time(nullptr)); }

std::optional<CalendarFields> calendarOf(std::int64_t days, std::int64_t seconds) {
  std::optional<std::tm> local = localTimeOf(days, seconds);
  if (!local) return std::nullopt;
  constexpr int kYearBase = 1900;
  return CalendarFields{local->tm_sec,         local->tm_min,      local->tm_hour,
                        local->tm_mday,        local->tm_mon + 1,  local->tm_year + kYearBase,
                        local->tm_wday,        local->tm_yday + 1, local->tm_isdst,
                        timezone,              tzname[0]};
}

std::optional<std::string> formatTime(std::int64_t days, std::int64_t seconds,
                                      const std::string& format) {
  std::optional<std::tm> local = localTimeOf(days, seconds);
  if (!local) return std::nullopt;
  if (format.empty()) return std::string();
  std::vector<char> text(kMaxFormattedTime + 1);
  std::size_t n = std::strftime(text.data(), text.size(), format.c_str(), &*local);
  // strftime answers 0 both for an empty result and for one that does not fit.
  if (n == 0) return std::string();
  return std::string(text.data(), n);
}
