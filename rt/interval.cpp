// Interval lists: appends that never run past the fixed room.
#include "rt/shape.h"

namespace {

Interval* next_record(IntervalList* list) {
  // A full list keeps its count and lets the newest interval replace the last.
  // A count outside 0..15 (a list never started) is brought back into range.
  if (list->count < 0) list->count = 0;
  list->count = list->count < kIntervalListMaxCount ? list->count + 1 : kIntervalListMaxCount;
  return &list->records[list->count - 1];
}

}  // namespace

void interval_push(IntervalList* list, Shape* shape, float depth1, float depth2,
                   const Vec3& point1, const Vec3& point2, int32_t surface1, int32_t surface2) {
  Interval* record = next_record(list);
  record->entry = Hit{shape, nullptr, depth1, point1, surface1, 0};
  record->exit = Hit{shape, nullptr, depth2, point2, surface2, 0};
}

void interval_copy(IntervalList* list, const Interval* interval) {
  const Interval copy = *interval;  // the source may be the record being replaced
  *next_record(list) = copy;
}
