// CSG union, intersection and difference: merge rules, hit ownership, the
// flag and normals of subtracted hits (also nested), bounds, placement,
// profiling of the merge, and the degenerate-box stop.
#include "rt/csg.h"

#include <gtest/gtest.h>

#include <string>

#include "rt/scene.h"
#include "shape_test_support.h"

namespace {

using CsgTest = FreshProfilerTest;

const Ray kAlongX = make_test_ray({-20, 0, 0}, {1, 0, 0});

// The spans of a list as (entry, exit) depth pairs, for compact comparison.
std::vector<std::pair<float, float>> spans(const IntervalList& list) {
  std::vector<std::pair<float, float>> out;
  for (int i = 0; i < list.count; ++i)
    out.emplace_back(list.records[i].entry.depth, list.records[i].exit.depth);
  return out;
}

void expect_spans(const IntervalList& list, const std::vector<std::pair<float, float>>& want) {
  const auto got = spans(list);
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_NEAR(got[i].first, want[i].first, 1e-4f) << "span " << i;
    EXPECT_NEAR(got[i].second, want[i].second, 1e-4f) << "span " << i;
  }
}

// Spheres of radius 1 centred on the x axis at the given x.
Shape* spheres_on_x(std::initializer_list<float> xs) {
  Shape* result = nullptr;
  for (float x : xs) {
    Shape* s = scene_sphere({x, 0, 0}, 1);
    result = result == nullptr ? s : scene_union(result, s);
  }
  return result;
}

TEST_F(CsgTest, UnionOfOverlappingSpheresIsOneSpanOwnedByBoth) {
  Shape* near = scene_sphere({0, 0, 0}, 1);
  Shape* far = scene_sphere({1.5f, 0, 0}, 1);
  SlotResult r = intersect(scene_union(far, near), kAlongX);
  ASSERT_TRUE(r.hit);
  expect_spans(r.list, {{19, 22.5f}});
  EXPECT_EQ(r.list.records[0].entry.object, near);
  EXPECT_EQ(r.list.records[0].exit.object, far);
}

TEST_F(CsgTest, UnionMergesTouchingSpans) {
  SlotResult r = intersect(
      scene_union(scene_box({-1, -1, -1}, {0, 1, 1}), scene_box({0, -1, -1}, {1, 1, 1})), kAlongX);
  expect_spans(r.list, {{19, 21}});
}

TEST_F(CsgTest, UnionKeepsSevenSeparateSpansInDepthOrder) {
  Shape* left = spheres_on_x({0, 9});               // two spans
  Shape* right = spheres_on_x({-6, 3, 6, 12, 15});  // five spans
  SlotResult r = intersect(scene_union(left, right), kAlongX);
  expect_spans(r.list, {{13, 15}, {19, 21}, {22, 24}, {25, 27}, {28, 30}, {31, 33}, {34, 36}});
}

TEST_F(CsgTest, UnionWithOneOperandOutOfReachPassesTheOtherThrough) {
  Shape* off_axis = scene_sphere({0, 5, 0}, 1);
  SlotResult r = intersect(scene_union(off_axis, scene_sphere({0, 0, 0}, 1)), kAlongX);
  expect_spans(r.list, {{19, 21}});
  for (ProfileNode* n : profile_nodes())
    EXPECT_NE(std::string(n->scope->name), "Really_All_CSG_Union_Intersections");
}

TEST_F(CsgTest, IntersectionOfDisjointSpheresIsEmpty) {
  // The boxes overlap, the spheres do not.
  Shape* both = scene_intersection(scene_sphere({0, 0, 0}, 1), scene_sphere({1.6f, 1.6f, 0}, 1));
  SlotResult r = intersect(both, make_test_ray({-5, -5, 0}, {1, 1, 0}));
  EXPECT_FALSE(r.hit);
  EXPECT_EQ(r.list.count, 0);
}

TEST_F(CsgTest, IntersectionKeepsEachRightSpanInsideTheLeftOne) {
  Shape* slab = scene_box({-10, -2, -2}, {10, 2, 2});
  Shape* pair = spheres_on_x({-3, 3});
  SlotResult r = intersect(scene_intersection(slab, pair), kAlongX);
  expect_spans(r.list, {{16, 18}, {22, 24}});
  for (int i = 0; i < 2; ++i) {
    EXPECT_NE(r.list.records[i].entry.object, slab);
    EXPECT_NE(r.list.records[i].exit.object, slab);
  }
}

TEST_F(CsgTest, IntersectionTrimsToTheOverlap) {
  Shape* lens = scene_intersection(scene_sphere({-0.5f, 0, 0}, 1), scene_sphere({0.5f, 0, 0}, 1));
  SlotResult r = intersect(lens, kAlongX);
  expect_spans(r.list, {{19.5f, 20.5f}});
  expect_vec_near(normal_at(lens, r.list.records[0].entry), {-1, 0, 0});
  expect_vec_near(normal_at(lens, r.list.records[0].exit), {1, 0, 0});
}

TEST_F(CsgTest, DifferenceCutsTheMiddleWithFlaggedHits) {
  Shape* kept = scene_sphere({0, 0, 0}, 3);
  Shape* cut = scene_sphere({0, 0, 0}, 1);
  Shape* hollow = scene_difference(kept, cut);
  SlotResult r = intersect(hollow, kAlongX);
  expect_spans(r.list, {{17, 19}, {21, 23}});
  const Hit& front_end = r.list.records[0].exit;
  const Hit& back_start = r.list.records[1].entry;
  EXPECT_EQ(front_end.object, cut);
  EXPECT_EQ(back_start.object, cut);
  EXPECT_EQ(front_end.flag, 1);
  EXPECT_EQ(back_start.flag, 1);
  EXPECT_EQ(r.list.records[0].entry.flag, 0);
  // The cut's own normals point away from its centre; the hollow's face it.
  expect_vec_near(normal_at(cut, front_end), {-1, 0, 0});
  expect_vec_near(normal_at(hollow, front_end), {1, 0, 0});
  expect_vec_near(normal_at(hollow, back_start), {-1, 0, 0});
  expect_vec_near(normal_at(hollow, r.list.records[0].entry), {-1, 0, 0});
}

TEST_F(CsgTest, DifferenceWithSubtrahendOutOfReachIsTheKeptShape) {
  Shape* kept = scene_sphere({0, 0, 0}, 1);
  SlotResult r = intersect(scene_difference(kept, scene_sphere({0, 5, 0}, 1)), kAlongX);
  expect_spans(r.list, {{19, 21}});
  EXPECT_EQ(r.list.records[0].entry.object, kept);
  EXPECT_EQ(r.list.records[0].entry.flag, 0);
}

TEST_F(CsgTest, DifferenceRemovesACoveredSpanAndKeepsTheRest) {
  Shape* kept = spheres_on_x({-3, 0, 3});
  Shape* cut = scene_box({-1.5f, -2, -2}, {1.5f, 2, 2});
  SlotResult r = intersect(scene_difference(kept, cut), kAlongX);
  expect_spans(r.list, {{16, 18}, {22, 24}});
}

// A subtracted operand that is itself a difference: its flagged hits turn
// back, so every normal faces out of the final solid.
TEST_F(CsgTest, NestedDifferenceNormalsFaceOutOfTheSolid) {
  Shape* block = scene_box({-10, -10, -10}, {10, 10, 10});
  Shape* shell = scene_difference(scene_sphere({0, 0, 0}, 3), scene_sphere({0, 0, 0}, 1));
  Shape* solid = scene_difference(block, shell);
  SlotResult r = intersect(solid, kAlongX);
  expect_spans(r.list, {{10, 17}, {19, 21}, {23, 30}});
  const Vec3 want_entry{-1, 0, 0};
  const Vec3 want_exit{1, 0, 0};
  for (int i = 0; i < r.list.count; ++i) {
    expect_vec_near(normal_at(solid, r.list.records[i].entry), want_entry);
    expect_vec_near(normal_at(solid, r.list.records[i].exit), want_exit);
  }
}

// A union or a transformed object above a difference keeps its normals right.
TEST_F(CsgTest, FlaggedNormalsSurviveUnionAndTransform) {
  Shape* hollow = scene_difference(scene_sphere({0, 0, 0}, 3), scene_sphere({0, 0, 0}, 1));
  Shape* scene = scene_transformed(scene_union(hollow, scene_sphere({0, 10, 0}, 1)));
  scene_translate(scene, {0, 0, 4});
  SlotResult r = intersect(scene, make_test_ray({-20, 0, 4}, {1, 0, 0}));
  expect_spans(r.list, {{17, 19}, {21, 23}});
  expect_vec_near(r.list.records[0].exit.point, {-1, 0, 4});
  expect_vec_near(normal_at(scene, r.list.records[0].exit), {1, 0, 0});
  expect_vec_near(normal_at(scene, r.list.records[1].entry), {-1, 0, 0});
}

TEST_F(CsgTest, BoundsFollowTheOperation) {
  Shape* a = scene_box({0, 0, 0}, {2, 2, 2});
  Shape* b = scene_box({1, 1, 1}, {3, 3, 3});
  Shape* u = scene_union(a, b);
  expect_vec_near(u->bounds.min, {0, 0, 0});
  expect_vec_near(u->bounds.max, {3, 3, 3});
  Shape* i = scene_intersection(a, b);
  expect_vec_near(i->bounds.min, {1, 1, 1});
  expect_vec_near(i->bounds.max, {2, 2, 2});
  Shape* d = scene_difference(a, b);
  expect_vec_near(d->bounds.min, {0, 0, 0});
  expect_vec_near(d->bounds.max, {2, 2, 2});
}

struct HalfSpaceCase {
  const char* name;
  Vec3 normal;
  float distance;
  bool through_transform;  // move the plane by a Transform instead of its data
  AxisBox want;
};

class HalfSpaceBounds : public ::testing::TestWithParam<HalfSpaceCase> {};

TEST_P(HalfSpaceBounds, CutTheBoxOnAxisAlignedPlanes) {
  const HalfSpaceCase& c = GetParam();
  Shape* plane = scene_plane(c.normal, c.distance);
  if (c.through_transform) {
    // Turn (0, 0, 1) onto the wanted normal, then move the plane to z = 0.5
    // along it, all through the plane's own Transform.
    Transform t;
    make_translation(&t, {0, 0, 0.5f});
    scene_transform(plane, t);
    scene_rotate(plane, {0, 1, 0}, static_cast<float>(M_PI / 2));
  }
  Shape* both = scene_intersection(scene_box({-5, -5, -5}, {5, 5, 5}), plane);
  expect_vec_near(both->bounds.min, c.want.min);
  expect_vec_near(both->bounds.max, c.want.max);
}

INSTANTIATE_TEST_SUITE_P(
    Planes, HalfSpaceBounds,
    ::testing::Values(
        HalfSpaceCase{"KeepBelowZeroZ", {0, 0, 1}, 0, false, {{-5, -5, -5}, {5, 5, 0}}},
        HalfSpaceCase{"KeepAboveOneY", {0, -1, 0}, 1, false, {{-5, 1, -5}, {5, 5, 5}}},
        HalfSpaceCase{"SlantedCutsNothing", {1, 1, 0}, 0, false, {{-5, -5, -5}, {5, 5, 5}}},
        // z < 0.5, turned a quarter about y: x < 0.5 in world space.
        HalfSpaceCase{"TransformedPlaneUsesItsWorldNormal",
                      {0, 0, 1},
                      0,
                      true,
                      {{-5, -5, -5}, {0.5f, 5, 5}}}),
    [](const ::testing::TestParamInfo<HalfSpaceCase>& info) { return info.param.name; });

TEST_F(CsgTest, PlacementMovesBothOperandsAndTheBounds) {
  auto* pair =
      static_cast<Csg*>(scene_union(scene_sphere({0, 0, 0}, 1), scene_box({2, -1, -1}, {4, 1, 1})));
  scene_translate(pair, {0, 0, 5});
  expect_vec_near(pair->left->bounds.min, {-1, -1, 4});
  expect_vec_near(pair->right->bounds.min, {2, -1, 4});
  expect_vec_near(pair->bounds.min, {-1, -1, 4});
  expect_vec_near(pair->bounds.max, {4, 1, 6});
  SlotResult r = intersect(pair, make_test_ray({-20, 0, 5}, {1, 0, 0}));
  expect_spans(r.list, {{19, 21}, {22, 24}});
}

TEST_F(CsgTest, MergeIsTimedAfterBothOperands) {
  Shape* a = scene_sphere({0, 0, 0}, 1);
  Shape* b = scene_sphere({1, 0, 0}, 1);
  intersect(scene_union(a, b), kAlongX);
  ProfileNode* merge = nullptr;
  ProfileNode* sphere = nullptr;
  for (ProfileNode* n : profile_nodes()) {
    const std::string name = n->scope->name;
    if (name == "Really_All_CSG_Union_Intersections") merge = n;
    if (name == "All_Sphere_Intersections") sphere = n;
  }
  ASSERT_NE(merge, nullptr);
  ASSERT_NE(sphere, nullptr);
  EXPECT_EQ(merge->count, 1u);
  EXPECT_EQ(sphere->count, 2u);
  EXPECT_EQ(sphere->parent, merge->parent);  // siblings: operands are not in the merge
}

using CsgDeathTest = CsgTest;

TEST_F(CsgDeathTest, DisjointIntersectionBoxesStopTheProgram) {
  Shape* a = scene_box({0, 0, 0}, {1, 1, 1});
  Shape* b = scene_box({2, 0, 0}, {3, 1, 1});
  EXPECT_EXIT(scene_intersection(a, b), ::testing::ExitedWithCode(255),
              "^Degenerate CSG bounding box!$");
}

}  // namespace
