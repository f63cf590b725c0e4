// Vector, matrix, transform and bounding-box arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "rt/axis_box.h"
#include "rt/matrix.h"
#include "rt/vec3.h"

namespace {

void expect_near(const Vec3& got, const Vec3& want, float tol = 1e-5f) {
  EXPECT_NEAR(got.x, want.x, tol);
  EXPECT_NEAR(got.y, want.y, tol);
  EXPECT_NEAR(got.z, want.z, tol);
}

TEST(Vec3Ops, CrossOfUnitAxesFollowsRightHandRule) {
  Vec3 out;
  vec3_cross(out, {1, 0, 0}, {0, 1, 0});
  EXPECT_EQ(out, (Vec3{0, 0, 1}));
  vec3_cross(out, {0, 1, 0}, {1, 0, 0});
  EXPECT_EQ(out, (Vec3{0, 0, -1}));
}

TEST(Vec3Ops, CrossMayWriteIntoAnInput) {
  Vec3 a{1, 2, 3};
  vec3_cross(a, a, {0, 0, 1});
  EXPECT_EQ(a, (Vec3{2, -1, 0}));
}

TEST(Vec3Ops, MinAndMaxArePerComponent) {
  Vec3 lo, hi;
  vec3_min(lo, {1, 5, -2}, {3, 4, -2});
  vec3_max(hi, {1, 5, -2}, {3, 4, -2});
  EXPECT_EQ(lo, (Vec3{1, 4, -2}));
  EXPECT_EQ(hi, (Vec3{3, 5, -2}));
}

TEST(Vec3Ops, NormalizeGivesUnitLengthAndDivUsesReciprocal) {
  Vec3 n;
  vec3_normalize(n, {3, 0, 4});
  expect_near(n, {0.6f, 0, 0.8f});
  Vec3 d;
  vec3_div(d, {2, 4, 8}, 2);
  EXPECT_EQ(d, (Vec3{1, 2, 4}));
  EXPECT_FLOAT_EQ(vec3_length({2, 3, 6}), 7.0f);
  EXPECT_FLOAT_EQ(vec3_get({7, 8, 9}, 2), 9.0f);
}

TEST(TransformOps, RotationAboutZByQuarterTurnAndBack) {
  Transform t;
  make_rotation(&t, {0, 0, 1}, static_cast<float>(std::numbers::pi / 2));
  expect_near(transform_point(t.matrix, {1, 0, 0}), {0, 1, 0});
  expect_near(transform_point(t.inverse, {0, 1, 0}), {1, 0, 0});
}

TEST(TransformOps, RotationAxisIsNormalised) {
  Transform a, b;
  make_rotation(&a, {0, 0, 5}, 0.3f);
  make_rotation(&b, {0, 0, 1}, 0.3f);
  expect_near(transform_point(a.matrix, {1, 2, 3}), transform_point(b.matrix, {1, 2, 3}));
}

TEST(TransformOps, ComposeAppliesTheSecondAfterTheFirst) {
  Transform x, scale;
  make_translation(&x, {1, 0, 0});
  make_scaling(&scale, {2, 2, 2});
  compose_transform(&x, &scale);
  expect_near(transform_point(x.matrix, {0, 0, 0}), {2, 0, 0});
  expect_near(transform_point(x.inverse, {2, 0, 0}), {0, 0, 0});
}

TEST(TransformOps, DirectionsIgnoreTranslationAndNormalsUseTheTranspose) {
  Transform t;
  make_translation(&t, {5, 6, 7});
  EXPECT_EQ(transform_direction(t.matrix, {1, 2, 3}), (Vec3{1, 2, 3}));
  Transform s;
  make_scaling(&s, {2, 1, 1});
  // A plane x + y = c stretched by 2 along x: its normal leans towards y.
  const Vec3 n = transform_normal(s.inverse, {1, 1, 0});
  expect_near(n, {0.5f, 1, 0});
}

TEST(TransformOps, CreatedTransformsAreAlignedIdentities) {
  for (int i = 0; i < 8; ++i) {
    Transform* t = transform_create();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(t) % 16, 0u);
    EXPECT_EQ(transform_point(t->matrix, {1, 2, 3}), (Vec3{1, 2, 3}));
    EXPECT_EQ(transform_point(t->inverse, {1, 2, 3}), (Vec3{1, 2, 3}));
  }
}

struct CornerCase {
  float corner, size, want_min, want_max;
};
class BoxFromCorner : public ::testing::TestWithParam<CornerCase> {};

TEST_P(BoxFromCorner, FoldsNegativeSizes) {
  const CornerCase c = GetParam();
  AxisBox box;
  box_from_corner(&box, c.corner, 0, c.corner, c.size, 1, c.size);
  EXPECT_EQ(box.min.x, c.want_min);
  EXPECT_EQ(box.max.x, c.want_max);
  EXPECT_EQ(box.min.z, c.want_min);
  EXPECT_EQ(box.max.z, c.want_max);
  EXPECT_EQ(box.min.y, 0);
  EXPECT_EQ(box.max.y, 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BoxFromCorner,
                         ::testing::Values(CornerCase{5, -2, 3, 5}, CornerCase{5, 2, 5, 7},
                                           CornerCase{-1, 0, -1, -1}));

TEST(BoxOfTransformed, RotatedUnitCubeGrowsToItsCornersExtent) {
  Transform t;
  make_rotation(&t, {0, 0, 1}, static_cast<float>(std::numbers::pi / 4));
  AxisBox box{{-1, -1, -1}, {1, 1, 1}};
  box_of_transformed(t.matrix, &box);
  const float r = std::sqrt(2.0f);
  expect_near(box.min, {-r, -r, -1});
  expect_near(box.max, {r, r, 1});
}

TEST(BoxOfTransformed, UnboundedBoxStaysClampedUnderRotation) {
  Transform t;
  make_rotation(&t, {1, 1, 0}, 0.7f);
  AxisBox box{{-1e10f, -1e10f, -1e10f}, {1e10f, 1e10f, 1e10f}};
  box_of_transformed(t.matrix, &box);
  EXPECT_EQ(box.min, (Vec3{-1e10f, -1e10f, -1e10f}));
  EXPECT_EQ(box.max, (Vec3{1e10f, 1e10f, 1e10f}));
}

TEST(BoxOfTransformed, TranslationMovesBothCorners) {
  Transform t;
  make_translation(&t, {1, 2, 3});
  AxisBox box{{0, 0, 0}, {1, 1, 1}};
  box_of_transformed(t.matrix, &box);
  EXPECT_EQ(box.min, (Vec3{1, 2, 3}));
  EXPECT_EQ(box.max, (Vec3{2, 3, 4}));
}

}  // namespace
