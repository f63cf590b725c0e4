// Interval lists: appends, copies and the 15-record rule.
#include "shape_test_support.h"

namespace {

TEST(IntervalList, SixteenAppendsKeepFifteenWithTheLastInIndex14) {
  IntervalList list{};
  Shape shape{};
  for (int i = 0; i < 16; ++i) {
    const float d = static_cast<float>(i);
    interval_push(&list, &shape, d, d + 0.5f, {d, 0, 0}, {d + 0.5f, 0, 0}, i, i + 100);
  }
  EXPECT_EQ(list.count, 15);
  EXPECT_EQ(list.records[14].entry.depth, 15.0f);
  EXPECT_EQ(list.records[14].exit.surface, 115);
  EXPECT_EQ(list.records[13].entry.depth, 13.0f);
  EXPECT_EQ(list.records[15].entry.depth, 0.0f);  // the 16th record is never written
}

TEST(IntervalList, PushFillsBothHits) {
  IntervalList list{};
  Shape shape{};
  interval_push(&list, &shape, 1, 2, {1, 2, 3}, {4, 5, 6}, 7, 8);
  ASSERT_EQ(list.count, 1);
  const Interval& i = list.records[0];
  EXPECT_EQ(i.entry.object, &shape);
  EXPECT_EQ(i.exit.object, &shape);
  EXPECT_EQ(i.entry.hit_transform, nullptr);
  EXPECT_EQ(i.entry.point, (Vec3{1, 2, 3}));
  EXPECT_EQ(i.exit.point, (Vec3{4, 5, 6}));
  EXPECT_EQ(i.entry.surface, 7);
  EXPECT_EQ(i.exit.depth, 2.0f);
  EXPECT_EQ(i.entry.flag + i.exit.flag, 0);
}

TEST(IntervalList, CopyKeepsEveryFieldAndMayReplaceItsOwnSource) {
  IntervalList list{};
  Shape shape{};
  Transform t;
  list.count = 15;
  Interval src{};
  src.entry = Hit{&shape, &t, 1.5f, {1, 1, 1}, 3, 1};
  src.exit = Hit{&shape, &t, 2.5f, {2, 2, 2}, 4, 1};
  list.records[14] = src;
  interval_copy(&list, &list.records[14]);
  EXPECT_EQ(list.count, 15);
  EXPECT_EQ(list.records[14].entry.hit_transform, &t);
  EXPECT_EQ(list.records[14].exit.flag, 1);
  EXPECT_EQ(list.records[14].exit.depth, 2.5f);
}

TEST(IntervalList, CountOutsideTheRoomIsBroughtBackInRange) {
  IntervalList list{};
  Shape shape{};
  list.count = -3;
  interval_push(&list, &shape, 1, 2, {}, {}, 0, 0);
  EXPECT_EQ(list.count, 1);
  list.count = 400;
  interval_push(&list, &shape, 5, 6, {}, {}, 0, 0);
  EXPECT_EQ(list.count, 15);
  EXPECT_EQ(list.records[14].entry.depth, 5.0f);
}

}  // namespace
