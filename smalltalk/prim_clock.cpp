// Clock primitives: the current local wall clock as {days, seconds} (100),
// its calendar fields (99) and formatted text (98).
#include "smalltalk/clock.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/primitive_table.h"

ObjectRef primCurrentTime(ObjectRef*) {
  WallClock now = wallClockNow();
  ObjectRef days = intResult(now.days);
  if (days == nilObj) return nilObj;
  return arrayResult({days, intResult(now.seconds)});
}

ObjectRef primCalendar(ObjectRef* args) {
  std::optional<int32_t> days = intArg(args[0]);
  std::optional<int32_t> seconds = intArg(args[1]);
  if (!days || !seconds) return nilObj;
  std::optional<CalendarFields> f = calendarOf(*days, *seconds);
  if (!f) return nilObj;
  ObjectRef zone = stringResult(f->zoneName);
  return arrayResult({smallInt(f->second), smallInt(f->minute), smallInt(f->hour),
                      smallInt(f->dayOfMonth), smallInt(f->month), intResult(f->year),
                      smallInt(f->dayOfWeek), smallInt(f->dayOfYear), smallInt(f->daylightSaving),
                      intResult(f->zoneOffsetWest), zone});
}

ObjectRef primFormatTime(ObjectRef* args) {
  std::optional<int32_t> days = intArg(args[0]);
  std::optional<int32_t> seconds = intArg(args[1]);
  std::optional<std::string> format = textCopyArg(args[2]);
  if (!days || !seconds || !format) return nilObj;
  std::optional<std::string> text = formatTime(*days, *seconds, *format);
  return text ? stringResult(*text) : nilObj;
}
