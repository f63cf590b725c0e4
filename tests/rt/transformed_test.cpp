// Transformed objects: spans and normals through one and several levels, the
// profile entry, placement of the wrapper alone, the lifetime of hit
// transforms, and the property that wrapping a shape in a transform gives
// what placing the shape directly gives.
#include "rt/transformed.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "geometry_test_support.h"
#include "rt/polyhedron.h"
#include "rt/scene.h"
#include "rt/sphere.h"
#include "shape_test_support.h"

namespace {

using TransformedTest = FreshProfilerTest;

const Vec3 kOrigin{0, 0, 0};

TEST_F(TransformedTest, ScaledUnitSphereActsAsRadiusTwo) {
  Shape* wrapped = scene_transformed(scene_sphere(kOrigin, 1));
  scene_scale(wrapped, {2, 2, 2});
  SlotResult r = intersect(wrapped, make_test_ray({-5, 0, 0}, {1, 0, 0}));
  ASSERT_TRUE(r.hit);
  ASSERT_EQ(r.list.count, 1);
  const Interval& span = r.list.records[0];
  EXPECT_NEAR(span.entry.depth, 3, 1e-5f);
  EXPECT_NEAR(span.exit.depth, 7, 1e-5f);
  expect_vec_near(span.entry.point, {-2, 0, 0});
  expect_vec_near(span.exit.point, {2, 0, 0});
  expect_vec_near(normal_at(wrapped, span.entry), {-1, 0, 0});
  expect_vec_near(normal_at(wrapped, span.exit), {1, 0, 0});
  expect_vec_near(wrapped->bounds.min, {-2, -2, -2});
  expect_vec_near(wrapped->bounds.max, {2, 2, 2});
}

TEST_F(TransformedTest, MissedChildGivesNothingAndOneProfileEntry) {
  Shape* wrapped = scene_transformed(scene_sphere(kOrigin, 1));
  scene_translate(wrapped, {0, 5, 0});
  SlotResult r = intersect(wrapped, make_test_ray({-5, 0, 0}, {1, 0, 0}));
  EXPECT_FALSE(r.hit);
  EXPECT_EQ(r.list.count, 0);
  int entries = 0;
  for (ProfileNode* n : profile_nodes())
    if (std::string(n->scope->name) == "All_TRANSFORMED_Intersections") entries += n->count;
  EXPECT_EQ(entries, 1);
  EXPECT_EQ(std::string(profile_current()->scope->name), "_global");
}

TEST_F(TransformedTest, MovingTheWrapperLeavesTheChildAlone) {
  auto* sphere = static_cast<Sphere*>(scene_sphere({1, 0, 0}, 1));
  Shape* wrapped = scene_transformed(sphere);
  scene_translate(wrapped, {0, 3, 0});
  scene_rotate(wrapped, {0, 0, 1}, 1.0f);
  EXPECT_EQ(sphere->centre, (Vec3{1, 0, 0}));
  EXPECT_EQ(sphere->radius, 1.0f);
  EXPECT_EQ(sphere->methods, &sphere_methods);
  expect_vec_near(sphere->bounds.min, {0, -1, -1});
  EXPECT_NE(wrapped->bounds.min.y, sphere->bounds.min.y);
}

// Depths are in the caller's units, so the caller's limit holds inside too.
TEST_F(TransformedTest, CallersDepthLimitApplies) {
  Shape* wrapped = scene_transformed(scene_sphere(kOrigin, 1));
  scene_translate(wrapped, {5, 0, 0});
  Ray ray = make_test_ray(kOrigin, {1, 0, 0});
  ray.max_depth = 4.0f;
  EXPECT_FALSE(intersect(wrapped, ray).hit);
  ray.max_depth = 4.5f;
  EXPECT_TRUE(intersect(wrapped, ray).hit);
}

TEST_F(TransformedTest, NestedLevelsGiveWorldPointsAndNormals) {
  // A cylinder along z, turned onto x by the inner level, stretched and moved
  // by the outer one.
  Shape* inner = scene_transformed(scene_cylinder(kOrigin, {0, 0, 1}, 1));
  scene_rotate(inner, {0, 1, 0}, static_cast<float>(M_PI / 2));
  Shape* outer = scene_transformed(inner);
  scene_scale(outer, {2, 1, 1});
  scene_translate(outer, {10, 0, 0});
  // Occupies x in [10, 12], radius 1 around the x axis.
  SlotResult r = intersect(outer, make_test_ray({11, -5, 0}, {0, 1, 0}));
  ASSERT_EQ(r.list.count, 1);
  const Interval& side = r.list.records[0];
  EXPECT_NEAR(side.entry.depth, 4, 1e-4f);
  expect_vec_near(side.entry.point, {11, -1, 0}, 1e-4f);
  expect_vec_near(side.exit.point, {11, 1, 0}, 1e-4f);
  expect_vec_near(normal_at(outer, side.entry), {0, -1, 0}, 1e-4f);
  expect_vec_near(normal_at(outer, side.exit), {0, 1, 0}, 1e-4f);

  r = intersect(outer, make_test_ray({0, 0, 0}, {1, 0, 0}));
  ASSERT_EQ(r.list.count, 1);
  expect_vec_near(r.list.records[0].entry.point, {10, 0, 0}, 1e-4f);
  expect_vec_near(r.list.records[0].exit.point, {12, 0, 0}, 1e-4f);
  expect_vec_near(normal_at(outer, r.list.records[0].entry), {-1, 0, 0}, 1e-4f);
}

TEST_F(TransformedTest, HitTransformOutlivesALaterMove) {
  Shape* wrapped = scene_transformed(scene_sphere(kOrigin, 1));
  scene_translate(wrapped, {0, 0, 2});
  SlotResult r = intersect(wrapped, make_test_ray({-5, 0, 2}, {1, 0, 0}));
  ASSERT_EQ(r.list.count, 1);
  const Transform* kept = r.list.records[0].entry.hit_transform;
  ASSERT_NE(kept, nullptr);
  scene_translate(wrapped, {0, 7, 0});
  intersect(wrapped, make_test_ray({-5, 7, 2}, {1, 0, 0}));
  // The earlier hit still refers to the placement it was found with.
  expect_vec_near(transform_point(kept->matrix, kOrigin), {0, 0, 2});
  expect_vec_near(normal_at(wrapped, r.list.records[0].entry), {-1, 0, 0});
}

TEST_F(TransformedTest, FullListStillLiftsTheReplacedRecord) {
  Shape* wrapped = scene_transformed(scene_sphere(kOrigin, 1));
  scene_translate(wrapped, {3, 0, 0});
  Ray ray = make_test_ray({-5, 0, 0}, {1, 0, 0});
  IntervalList list;
  list.count = kIntervalListMaxCount;
  for (Interval& i : list.records) i = Interval{};
  ASSERT_TRUE(wrapped->methods->All_Intersections(wrapped, &ray, &list));
  EXPECT_EQ(list.count, kIntervalListMaxCount);
  const Interval& last = list.records[kIntervalListMaxCount - 1];
  expect_vec_near(last.entry.point, {2, 0, 0});
  EXPECT_NE(last.entry.hit_transform, nullptr);
}

// ---- Property: wrapping equals placing directly ----

using Maker = Shape* (*)();

struct NamedMaker {
  const char* name;
  Maker make;
  float depth_tolerance;  // relative to 1 + |depth|
};

constexpr float kDepthTolerance = 2e-3f;
// The single-precision quartic loses digits on rays that nearly graze the
// tube, so two rounding paths can differ by up to about 1%.
constexpr float kTorusDepthTolerance = 1.5e-2f;

const PolyFace kOctahedron[8] = {
    {{0.57735f, 0.57735f, 0.57735f}, -1},   {{-0.57735f, 0.57735f, 0.57735f}, -1},
    {{0.57735f, -0.57735f, 0.57735f}, -1},  {{0.57735f, 0.57735f, -0.57735f}, -1},
    {{-0.57735f, -0.57735f, 0.57735f}, -1}, {{-0.57735f, 0.57735f, -0.57735f}, -1},
    {{0.57735f, -0.57735f, -0.57735f}, -1}, {{-0.57735f, -0.57735f, -0.57735f}, -1},
};

Shape* make_sphere() { return scene_sphere({0.5f, 0, 0}, 1.5f); }
Shape* make_box() { return scene_box({-1, -0.5f, -1.5f}, {1.5f, 1, 1}); }
Shape* make_cylinder() { return scene_cylinder({0, -1, 0}, {0.5f, 1.5f, 0}, 1); }
Shape* make_cone() { return scene_cone({0, 0, -1}, 0.3f, {0, 0, 1.5f}, 1.2f); }
Shape* make_torus() { return scene_torus(1.5f, 0.5f); }
Shape* make_octahedron() {
  return scene_polyhedron(kOctahedron, 8, {-1.8f, -1.8f, -1.8f}, {1.8f, 1.8f, 1.8f});
}

const NamedMaker kMakers[] = {
    {"Sphere", make_sphere, kDepthTolerance},     {"Box", make_box, kDepthTolerance},
    {"Cylinder", make_cylinder, kDepthTolerance}, {"Cone", make_cone, kDepthTolerance},
    {"Torus", make_torus, kTorusDepthTolerance},  {"Polyhedron", make_octahedron, kDepthTolerance},
};

class WrappedEqualsDirect : public ::testing::TestWithParam<NamedMaker> {
 protected:
  void SetUp() override { profile_reset(); }
};

// Each shape is compared over many random placements and rays; a ray that
// grazes an edge may legitimately flip between hit and miss through rounding,
// so a few count mismatches are tolerated, never differing spans.
TEST_P(WrappedEqualsDirect, SameSpansAndNormals) {
  constexpr int kPlacements = 20;
  constexpr int kRaysPerPlacement = 100;
  constexpr int kMaxGrazingMismatches = kPlacements * kRaysPerPlacement / 100;
  std::mt19937 rng(42);
  int mismatches = 0;
  int compared_spans = 0;
  for (int p = 0; p < kPlacements; ++p) {
    const Transform first = random_placement(rng);
    const Transform second = random_placement(rng);
    Shape* direct = GetParam().make();
    scene_transform(direct, first);
    scene_transform(direct, second);
    // Two levels: the inner takes the first placement, the outer the second.
    Shape* inner = scene_transformed(GetParam().make());
    scene_transform(inner, first);
    Shape* wrapped = scene_transformed(inner);
    scene_transform(wrapped, second);

    for (int k = 0; k < kRaysPerPlacement; ++k) {
      const RandomRay rr = random_ray(rng, 15.0f, 3.0f);
      const Ray ray = make_test_ray(rr.origin, rr.direction);
      SlotResult want = intersect(direct, ray);
      SlotResult got = intersect(wrapped, ray);
      if (want.list.count != got.list.count) {
        ++mismatches;
        continue;
      }
      for (int i = 0; i < want.list.count; ++i) {
        const Hit* w[2] = {&want.list.records[i].entry, &want.list.records[i].exit};
        const Hit* g[2] = {&got.list.records[i].entry, &got.list.records[i].exit};
        for (int e = 0; e < 2; ++e) {
          const float tol = GetParam().depth_tolerance * (1.0f + std::fabs(w[e]->depth));
          ASSERT_NEAR(g[e]->depth, w[e]->depth, tol) << "placement " << p << " ray " << k;
          EXPECT_EQ(g[e]->surface, w[e]->surface);
          expect_vec_near(g[e]->point, w[e]->point, 20 * tol);
          expect_vec_near(normal_at(wrapped, *g[e]), normal_at(direct, *w[e]), 10 * tol);
        }
        ++compared_spans;
      }
    }
  }
  EXPECT_LE(mismatches, kMaxGrazingMismatches);
  EXPECT_GT(compared_spans, kPlacements * kRaysPerPlacement / 8);  // the rays do hit
}

INSTANTIATE_TEST_SUITE_P(Shapes, WrappedEqualsDirect, ::testing::ValuesIn(kMakers),
                         [](const ::testing::TestParamInfo<NamedMaker>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
