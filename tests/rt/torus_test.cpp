// Torus: spans through the tube and the hole, the acceptance of root pairs,
// normals and placement.
#include "rt/torus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "rt/scene.h"
#include "shape_test_support.h"

namespace {

using TorusTest = FreshProfilerTest;

// The single-precision quartic with its float constants limits depths to
// about this much (a ray through the centre comes out 1.4e-3 off).
constexpr float kTorusDepthTolerance = 2e-3f;

struct TorusCase {
  const char* name;
  Vec3 origin, direction;
  float max_depth;
  std::vector<float> depths;  // entry, exit of each expected interval
};

class TorusSpans : public ::testing::TestWithParam<TorusCase> {
 protected:
  void SetUp() override { profile_reset(); }
};

TEST_P(TorusSpans, KeepsTheExpectedPairs) {
  const TorusCase& c = GetParam();
  Shape* torus = scene_torus(2.0f, 0.5f);
  Ray ray = make_test_ray(c.origin, c.direction);
  ray.max_depth = c.max_depth;
  SlotResult r = intersect(torus, ray);
  EXPECT_EQ(r.hit, !c.depths.empty());
  ASSERT_EQ(r.list.count * 2, static_cast<int>(c.depths.size()));
  for (int i = 0; i < r.list.count; ++i) {
    const Interval& span = r.list.records[i];
    EXPECT_NEAR(span.entry.depth, c.depths[2 * i], kTorusDepthTolerance) << "interval " << i;
    EXPECT_NEAR(span.exit.depth, c.depths[2 * i + 1], kTorusDepthTolerance) << "interval " << i;
    expect_vec_near(span.exit.point, c.origin + c.direction * span.exit.depth);
    EXPECT_EQ(span.entry.surface, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rays, TorusSpans,
    ::testing::Values(
        TorusCase{
            "ThroughBothSidesOfTheRing", {-5, 0, 0}, {1, 0, 0}, 1e7f, {2.5f, 3.5f, 6.5f, 7.5f}},
        TorusCase{"StartingInsideTheTube", {-2, 0, 0}, {1, 0, 0}, 1e7f, {-0.5f, 0.5f, 3.5f, 4.5f}},
        TorusCase{
            "LongDirectionHalvesDepths", {-5, 0, 0}, {2, 0, 0}, 1e7f, {1.25f, 1.75f, 3.25f, 3.75f}},
        TorusCase{"DownThroughTheTube", {2, 5, 0}, {0, -1, 0}, 1e7f, {4.5f, 5.5f}},
        TorusCase{"AlongTheAxisThroughTheHole", {0, -5, 0}, {0, 1, 0}, 1e7f, {}},
        TorusCase{"PassingBeside", {-5, 3, 0}, {1, 0, 0}, 1e7f, {}},
        // The first pair lies behind the origin: the second moves to the front.
        TorusCase{"FirstPairBehind", {1, 0, 0}, {1, 0, 0}, 1e7f, {0.5f, 1.5f}},
        // The second pair starts beyond the limit: only the first is kept.
        TorusCase{"SecondPairBeyondTheLimit", {-5, 0, 0}, {1, 0, 0}, 6.0f, {2.5f, 3.5f}},
        TorusCase{"BothPairsBehind", {5, 0, 0}, {1, 0, 0}, 1e7f, {}}),
    [](const ::testing::TestParamInfo<TorusCase>& info) { return info.param.name; });

TEST_F(TorusTest, NormalsPointAwayFromTheTubeCentre) {
  Shape* torus = scene_torus(2.0f, 0.5f);
  SlotResult r = intersect(torus, make_test_ray({-5, 0, 0}, {1, 0, 0}));
  ASSERT_EQ(r.list.count, 2);
  const Vec3 want[4] = {{-1, 0, 0}, {1, 0, 0}, {-1, 0, 0}, {1, 0, 0}};
  const Hit* hits[4] = {&r.list.records[0].entry, &r.list.records[0].exit, &r.list.records[1].entry,
                        &r.list.records[1].exit};
  for (int i = 0; i < 4; ++i) expect_vec_near(normal_at(torus, *hits[i]), want[i], 1e-3f);

  r = intersect(torus, make_test_ray({2, 5, 0}, {0, -1, 0}));
  ASSERT_EQ(r.list.count, 1);
  expect_vec_near(normal_at(torus, r.list.records[0].entry), {0, 1, 0}, 1e-3f);
  expect_vec_near(normal_at(torus, r.list.records[0].exit), {0, -1, 0}, 1e-3f);
}

TEST_F(TorusTest, BoundsCoverRingAndTube) {
  Shape* torus = scene_torus(2.0f, 0.5f);
  expect_vec_near(torus->bounds.min, {-2.5f, -0.5f, -2.5f});
  expect_vec_near(torus->bounds.max, {2.5f, 0.5f, 2.5f});
  scene_translate(torus, {1, 2, 3});
  expect_vec_near(torus->bounds.min, {-1.5f, 1.5f, 0.5f});
  expect_vec_near(torus->bounds.max, {3.5f, 2.5f, 5.5f});
}

TEST_F(TorusTest, PlacementTurnsAndScalesTheRing) {
  Shape* torus = scene_torus(2.0f, 0.5f);
  scene_rotate(torus, {1, 0, 0}, static_cast<float>(M_PI / 2));  // ring now in the xy plane
  SlotResult r = intersect(torus, make_test_ray({2, 0, -5}, {0, 0, 1}));
  ASSERT_EQ(r.list.count, 1);
  EXPECT_NEAR(r.list.records[0].entry.depth, 4.5f, kTorusDepthTolerance);
  expect_vec_near(normal_at(torus, r.list.records[0].entry), {0, 0, -1}, 1e-3f);

  scene_scale(torus, {2, 2, 2});  // R = 4, r = 1
  r = intersect(torus, make_test_ray({-10, 0, 0}, {1, 0, 0}));
  ASSERT_EQ(r.list.count, 2);
  EXPECT_NEAR(r.list.records[0].entry.depth, 5, 2 * kTorusDepthTolerance);
  EXPECT_NEAR(r.list.records[1].exit.depth, 15, 2 * kTorusDepthTolerance);
}

}  // namespace
