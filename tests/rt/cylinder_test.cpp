// Capped cylinders and cones: spans, surface codes, normals, placement, the
// conversions between the two types and the degenerate-shape stops.
#include "rt/cylinder.h"

#include <gtest/gtest.h>

#include <cmath>

#include "rt/scene.h"
#include "shape_test_support.h"

namespace {

using AxialTest = FreshProfilerTest;

struct SpanCase {
  const char* name;
  bool cone;  // else cylinder
  Vec3 base;
  float base_radius;
  Vec3 apex;
  float apex_radius;
  Vec3 origin, direction;
  float entry, exit;
  int entry_code, exit_code;
  Vec3 entry_normal, exit_normal;
};

Shape* make(const SpanCase& c) {
  return c.cone ? scene_cone(c.base, c.base_radius, c.apex, c.apex_radius)
                : scene_cylinder(c.base, c.apex, c.apex_radius);
}

class AxialSpan : public ::testing::TestWithParam<SpanCase> {
 protected:
  void SetUp() override { profile_reset(); }
};

TEST_P(AxialSpan, GivesTheSpanCodesAndNormals) {
  const SpanCase& c = GetParam();
  Shape* shape = make(c);
  SlotResult r = intersect(shape, make_test_ray(c.origin, c.direction));
  ASSERT_TRUE(r.hit);
  ASSERT_EQ(r.list.count, 1);
  const Interval& span = r.list.records[0];
  EXPECT_NEAR(span.entry.depth, c.entry, 1e-4f);
  EXPECT_NEAR(span.exit.depth, c.exit, 1e-4f);
  EXPECT_EQ(span.entry.surface, c.entry_code);
  EXPECT_EQ(span.exit.surface, c.exit_code);
  EXPECT_EQ(span.entry.object, shape);
  expect_vec_near(span.entry.point, c.origin + c.direction * c.entry, 1e-4f);
  expect_vec_near(normal_at(shape, span.entry), c.entry_normal, 1e-4f);
  expect_vec_near(normal_at(shape, span.exit), c.exit_normal, 1e-4f);
}

const float kInvSqrt3 = 1.0f / std::sqrt(3.0f);
const float kInvSqrt5 = 1.0f / std::sqrt(5.0f);

INSTANTIATE_TEST_SUITE_P(
    Shapes, AxialSpan,
    ::testing::Values(SpanCase{"CylinderThroughBothCaps",
                               false,
                               {0, 0, 0},
                               1,
                               {0, 0, 2},
                               1,
                               {0, 0, -5},
                               {0, 0, 1},
                               5,
                               7,
                               1,
                               2,
                               {0, 0, -1},
                               {0, 0, 1}},
                      SpanCase{"CylinderThroughTheSide",
                               false,
                               {0, 0, 0},
                               1,
                               {0, 0, 2},
                               1,
                               {-5, 0, 1},
                               {1, 0, 0},
                               4,
                               6,
                               3,
                               3,
                               {-1, 0, 0},
                               {1, 0, 0}},
                      SpanCase{"CylinderLongDirectionScalesDepths",
                               false,
                               {0, 0, 0},
                               1,
                               {0, 0, 2},
                               1,
                               {0, 0, -5},
                               {0, 0, 2},
                               2.5f,
                               3.5f,
                               1,
                               2,
                               {0, 0, -1},
                               {0, 0, 1}},
                      SpanCase{"CylinderStartingInside",
                               false,
                               {0, 0, 0},
                               1,
                               {0, 0, 2},
                               1,
                               {0, 0, 1},
                               {0, 0, 1},
                               -1,
                               1,
                               1,
                               2,
                               {0, 0, -1},
                               {0, 0, 1}},
                      SpanCase{"CylinderAlongMinusZ",
                               false,
                               {0, 0, 0},
                               1,
                               {0, 0, -2},
                               1,
                               {0, 0, 5},
                               {0, 0, -1},
                               5,
                               7,
                               1,
                               2,
                               {0, 0, 1},
                               {0, 0, -1}},
                      SpanCase{"CylinderOnADiagonalAxis",
                               false,
                               {1, 1, 1},
                               0.5f,
                               {3, 3, 3},
                               0.5f,
                               {0, 0, 0},
                               {1, 1, 1},
                               1,
                               3,
                               1,
                               2,
                               {-kInvSqrt3, -kInvSqrt3, -kInvSqrt3},
                               {kInvSqrt3, kInvSqrt3, kInvSqrt3}},
                      SpanCase{"ConeThroughBothCaps",
                               true,
                               {0, 0, 0},
                               0.5f,
                               {0, 0, 1},
                               1,
                               {0, 0, -5},
                               {0, 0, 1},
                               5,
                               6,
                               1,
                               2,
                               {0, 0, -1},
                               {0, 0, 1}},
                      // Radius 0.5 + 0.5 z: at z = 0.5 the side is 0.75 from the axis and
                      // its outward normal leans down by the slope.
                      SpanCase{"ConeThroughTheSide",
                               true,
                               {0, 0, 0},
                               0.5f,
                               {0, 0, 1},
                               1,
                               {-5, 0, 0.5f},
                               {1, 0, 0},
                               4.25f,
                               5.75f,
                               3,
                               3,
                               {-2 * kInvSqrt5, 0, -kInvSqrt5},
                               {2 * kInvSqrt5, 0, -kInvSqrt5}},
                      SpanCase{"ConeNarrowEndGivenAsApex",
                               true,
                               {0, 0, 1},
                               1,
                               {0, 0, 0},
                               0.5f,
                               {0, 0, -5},
                               {0, 0, 1},
                               5,
                               6,
                               1,
                               2,
                               {0, 0, -1},
                               {0, 0, 1}},
                      // A ray starting inside gets a negative entry, as from every other
                      // shape (not a lone exit that the even-count rule would drop).
                      SpanCase{"ConeStartingInside",
                               true,
                               {0, 0, 0},
                               0.5f,
                               {0, 0, 1},
                               1,
                               {0, 0, 0.75f},
                               {0, 0, 1},
                               -0.75f,
                               0.25f,
                               1,
                               2,
                               {0, 0, -1},
                               {0, 0, 1}}),
    [](const ::testing::TestParamInfo<SpanCase>& info) { return info.param.name; });

TEST_F(AxialTest, MissesLeaveTheListAlone) {
  Shape* cylinder = scene_cylinder({0, 0, 0}, {0, 0, 2}, 1);
  Shape* cone = scene_cone({0, 0, 0}, 0.5f, {0, 0, 1}, 1);
  const Ray rays[] = {
      make_test_ray({-5, 2, 1}, {1, 0, 0}),      // passes beside
      make_test_ray({0, 0, 5}, {0, 0, 1}),       // shape behind the origin
      make_test_ray({-5, 0, 3}, {1, 0, 0}),      // above the apex cap
      make_test_ray({-5, 0, -0.5f}, {1, 0, 0}),  // through the cone's missing tip
  };
  for (Shape* shape : {cylinder, cone}) {
    for (const Ray& ray : rays) {
      SlotResult r = intersect(shape, ray);
      EXPECT_FALSE(r.hit);
      EXPECT_EQ(r.list.count, 0);
    }
  }
}

TEST_F(AxialTest, SpanAtOrBeyondTheRayLimitIsRejected) {
  Shape* cylinder = scene_cylinder({0, 0, 0}, {0, 0, 2}, 1);
  Ray ray = make_test_ray({0, 0, -5}, {0, 0, 1});
  ray.max_depth = 5.0f;
  EXPECT_FALSE(intersect(cylinder, ray).hit);
  ray.max_depth = 5.5f;
  EXPECT_TRUE(intersect(cylinder, ray).hit);
}

TEST_F(AxialTest, ConeStoresTheWideEndAsApex) {
  auto* cone = static_cast<Cone*>(scene_cone({0, 0, 1}, 1, {0, 0, 0}, 0.5f));
  EXPECT_EQ(cone->apex_point, (Vec3{0, 0, 1}));
  EXPECT_EQ(cone->base_point, (Vec3{0, 0, 0}));
  EXPECT_EQ(cone->apex_radius, 1.0f);
  EXPECT_EQ(cone->base_radius, 0.5f);
  EXPECT_FLOAT_EQ(cone->dist, 0.5f);
  // The full cone's tip sits at (0, 0, -1): object z 0 maps there.
  expect_vec_near(transform_point(cone->transform->matrix, {0, 0, 0}), {0, 0, -1});
  expect_vec_near(cone->bounds.min, {-1, -1, 0});
  expect_vec_near(cone->bounds.max, {1, 1, 1});
}

TEST_F(AxialTest, ComputeDataSwitchesBetweenConeAndCylinder) {
  auto* shape = static_cast<Cylinder*>(scene_cone({0, 0, 0}, 1, {0, 0, 2}, 1));
  EXPECT_EQ(shape->methods, &cylinder_methods);
  EXPECT_EQ(shape->dist, 0.0f);

  shape->base_radius = 0.5f;
  shape->methods->Compute_Data(shape);
  EXPECT_EQ(shape->methods, &cone_methods);
  EXPECT_GT(shape->dist, 0.0f);

  shape->base_radius = 1.0f;
  shape->methods->Compute_Data(shape);
  EXPECT_EQ(shape->methods, &cylinder_methods);
  SlotResult r = intersect(shape, make_test_ray({0, 0, -5}, {0, 0, 1}));
  ASSERT_EQ(r.list.count, 1);
  EXPECT_NEAR(r.list.records[0].entry.depth, 5, 1e-4f);
}

TEST_F(AxialTest, AxisFrameOfMinusZTurnsAboutX) {
  auto* cyl = static_cast<Cylinder*>(scene_cylinder({0, 0, 0}, {0, 0, -2}, 1));
  const Matrix4& m = cyl->transform->matrix;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) ASSERT_TRUE(std::isfinite(m.m[row][col]));
  expect_vec_near(transform_point(m, {0, 0, 1}), {0, 0, -2});
  expect_vec_near(transform_point(m, {0, 1, 0}), {0, -1, 0});  // a half turn about x
}

TEST_F(AxialTest, PlacementMovesSpansAndBounds) {
  Shape* cylinder = scene_cylinder({0, 0, 0}, {0, 0, 2}, 1);
  expect_vec_near(cylinder->bounds.min, {-1, -1, 0});
  expect_vec_near(cylinder->bounds.max, {1, 1, 2});
  scene_translate(cylinder, {1, 0, 0});
  scene_scale(cylinder, {1, 1, 2});
  expect_vec_near(cylinder->bounds.min, {0, -1, 0});
  expect_vec_near(cylinder->bounds.max, {2, 1, 4});
  SlotResult r = intersect(cylinder, make_test_ray({1, 0, -5}, {0, 0, 1}));
  ASSERT_EQ(r.list.count, 1);
  EXPECT_NEAR(r.list.records[0].entry.depth, 5, 1e-4f);
  EXPECT_NEAR(r.list.records[0].exit.depth, 9, 1e-4f);

  scene_rotate(cylinder, {0, 1, 0}, static_cast<float>(M_PI / 2));  // axis now along +x
  r = intersect(cylinder, make_test_ray({-5, 0, -1}, {1, 0, 0}));
  ASSERT_EQ(r.list.count, 1);
  EXPECT_NEAR(r.list.records[0].entry.depth, 5, 1e-4f);
  EXPECT_NEAR(r.list.records[0].exit.depth, 9, 1e-4f);
  expect_vec_near(normal_at(cylinder, r.list.records[0].entry), {-1, 0, 0}, 1e-4f);
}

TEST_F(AxialTest, EveryCallIsCountedInItsProfileNode) {
  Shape* cone = scene_cone({0, 0, 0}, 0.5f, {0, 0, 1}, 1);
  intersect(cone, make_test_ray({-5, 2, 0}, {1, 0, 0}));  // a miss
  intersect(cone, make_test_ray({0, 0, -5}, {0, 0, 1}));  // a hit
  ProfileNode* node = nullptr;
  for (ProfileNode* n : profile_nodes())
    if (std::string(n->scope->name) == "All_Cone_Intersections") node = n;
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->count, 2u);
  EXPECT_EQ(profile_current(), node->parent);  // every path left its scope
}

using AxialDeathTest = AxialTest;

TEST_F(AxialDeathTest, CoincidentEndPointsStopTheProgram) {
  EXPECT_EXIT(scene_cylinder({1, 2, 3}, {1, 2, 3}, 1), ::testing::ExitedWithCode(255),
              "Degenerated cylinder, base point = apex point\\.");
  EXPECT_EXIT(scene_cone({1, 2, 3}, 0.5f, {1, 2, 3}, 1), ::testing::ExitedWithCode(255),
              "Degenerated cone, base point = apex point\\.");
}

}  // namespace
