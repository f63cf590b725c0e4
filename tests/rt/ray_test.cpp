// Ray preparation and the eight class-specific ray-box tests, checked against
// a brute-force slab test on many random rays and boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "rt/ray.h"
#include "rt/shape.h"

namespace {

const Vec3 kRight{1, 0, 0};
const Vec3 kUp{0, 1, 0};

Ray make_ray(const Vec3& o, const Vec3& d) {
  Ray ray{};
  ray.origin = o;
  ray.direction = d;
  ray.max_depth = 1e7f;
  ray_precompute(&ray, kRight, kUp);
  return ray;
}

Shape box_shape(const Vec3& lo, const Vec3& hi) {
  Shape s{};
  s.bounds = AxisBox{lo, hi};
  return s;
}

struct ClassCase {
  Vec3 direction;
  int want_class;
};
class RayDirectionClass : public ::testing::TestWithParam<ClassCase> {};

TEST_P(RayDirectionClass, ZeroCountsAsNonNegative) {
  const Ray ray = make_ray({0, 0, 0}, GetParam().direction);
  EXPECT_EQ(ray.dir_class, GetParam().want_class);
  EXPECT_EQ(ray.box_test, ray_box_test_for_class(GetParam().want_class));
}

INSTANTIATE_TEST_SUITE_P(Directions, RayDirectionClass,
                         ::testing::Values(ClassCase{{0, 0, -1}, 6}, ClassCase{{1, 1, 1}, 7},
                                           ClassCase{{-1, -1, -1}, 0}, ClassCase{{-1, -2, 3}, 1},
                                           ClassCase{{-1, 2, -3}, 2}, ClassCase{{-1, 2, 3}, 3},
                                           ClassCase{{1, -2, -3}, 4}, ClassCase{{1, -2, 3}, 5},
                                           ClassCase{{0, 0, 0}, 7}));

TEST(RayPrecompute, DerivedFieldsFollowOriginAndDirection) {
  const Ray ray = make_ray({1, 2, 3}, {0, -2, 4});
  EXPECT_EQ(ray.inv_direction.y, -0.5f);
  EXPECT_EQ(ray.inv_direction.z, 0.25f);
  EXPECT_TRUE(std::isinf(ray.inv_direction.x));
  EXPECT_EQ(ray.dir_not_positive[0], 1);
  EXPECT_EQ(ray.dir_not_positive[1], 1);
  EXPECT_EQ(ray.dir_positive[2], 1);
  EXPECT_EQ(ray.dir_positive[0] + ray.dir_not_positive[0], 1);
  EXPECT_EQ(ray.moment_xy, 1 * -2 - 2 * 0);
  EXPECT_EQ(ray.moment_xz, 1 * 4 - 3 * 0);
  EXPECT_EQ(ray.moment_yz, 2 * 4 - 3 * -2);
}

TEST(RayPrecompute, BothPlanesContainTheRayLine) {
  const Ray ray = make_ray({1, 2, 3}, {0.3f, -0.5f, 0.8f});
  for (const RayPlane* plane : {&ray.plane_a, &ray.plane_b}) {
    for (float t : {0.0f, 1.0f, 5.0f}) {
      const Vec3 p = ray.origin + ray.direction * t;
      EXPECT_NEAR(vec3_dot(plane->normal, p) + plane->distance, 0.0f, 1e-5f);
    }
    EXPECT_EQ(plane->positive[0], plane->normal.x > 0 ? 1 : 0);
    EXPECT_EQ(plane->not_positive[2], plane->normal.z > 0 ? 0 : 1);
  }
  EXPECT_NEAR(vec3_dot(ray.plane_a.normal, kRight), 0.0f, 1e-6f);
  EXPECT_NEAR(vec3_dot(ray.plane_b.normal, kUp), 0.0f, 1e-6f);
}

TEST(RayBoxTest, OriginInsideAlwaysPasses) {
  const Shape box = box_shape({-1, -1, -1}, {1, 1, 1});
  for (int c = 0; c < 8; ++c) {
    const Vec3 d{(c & 4) ? 1.0f : -1.0f, (c & 2) ? 0.5f : -0.5f, (c & 1) ? 0.25f : -0.25f};
    const Ray ray = make_ray({0.2f, -0.3f, 0.1f}, d);
    EXPECT_TRUE(ray.box_test(&box, &ray)) << "class " << c;
  }
}

TEST(RayBoxTest, OriginBeyondMaxMovingAwayIsRejected) {
  const Shape box = box_shape({-1, -1, -1}, {1, 1, 1});
  const Ray ray = make_ray({2, 0, 0}, {1, 0, 0});
  EXPECT_FALSE(ray.box_test(&box, &ray));
  const Ray back = make_ray({2, 0, 0}, {-1, 0, 0});
  EXPECT_TRUE(back.box_test(&box, &back));
}

TEST(RayBoxTest, LineTouchingACornerCountsAsHit) {
  const Shape box = box_shape({0, 0, 0}, {1, 1, 1});
  // Passes exactly through corner (1, 1, 0) and no other point of the box.
  const Ray ray = make_ray({0, 2, 0}, {1, -1, 0});
  EXPECT_TRUE(ray.box_test(&box, &ray));
  const Ray beside = make_ray({0, 2.01f, 0}, {1, -1, 0});
  EXPECT_FALSE(beside.box_test(&box, &beside));
}

// Brute force: clip the half-line t >= 0 against the three slabs in double.
bool half_line_meets_box(const Vec3& o, const Vec3& d, const Vec3& lo, const Vec3& hi) {
  double t_near = 0.0, t_far = std::numeric_limits<double>::infinity();
  const float os[3] = {o.x, o.y, o.z}, ds[3] = {d.x, d.y, d.z};
  const float los[3] = {lo.x, lo.y, lo.z}, his[3] = {hi.x, hi.y, hi.z};
  for (int k = 0; k < 3; ++k) {
    if (ds[k] == 0.0f) {
      if (os[k] < los[k] || os[k] > his[k]) return false;
      continue;
    }
    double t1 = (static_cast<double>(los[k]) - os[k]) / ds[k];
    double t2 = (static_cast<double>(his[k]) - os[k]) / ds[k];
    if (t1 > t2) std::swap(t1, t2);
    t_near = std::max(t_near, t1);
    t_far = std::min(t_far, t2);
  }
  return t_near <= t_far;
}

class RayBoxAgainstBruteForce : public ::testing::TestWithParam<int> {};

// Rays near a box's silhouette are decided by rounding; a margin keeps the
// comparison about the rule: a ray that meets the box shrunk by the margin must
// pass, a ray that misses it grown by the margin must be rejected.
TEST_P(RayBoxAgainstBruteForce, AgreesOnRandomRaysOfItsClass) {
  const int dir_class = GetParam();
  std::mt19937 rng(1234 + dir_class);
  std::uniform_real_distribution<float> coord(-10, 10), size(0.1f, 6), mag(0.05f, 1);
  std::uniform_int_distribution<int> zero_chance(0, 9);
  constexpr float kMargin = 1e-3f;
  constexpr Vec3 kGrow{kMargin, kMargin, kMargin};
  int hits = 0, misses = 0;
  for (int n = 0; n < 20000; ++n) {
    const Vec3 lo{coord(rng) * 0.5f, coord(rng) * 0.5f, coord(rng) * 0.5f};
    const Vec3 hi = lo + Vec3{size(rng), size(rng), size(rng)};
    float d[3];
    for (int k = 0; k < 3; ++k) {
      const bool non_negative = (dir_class >> (2 - k)) & 1;
      // Now and then a zero component, which belongs to the non-negative side
      // (never all three: a zero direction is no ray).
      if (non_negative && k < 2 && zero_chance(rng) == 0) d[k] = 0.0f;
      else d[k] = non_negative ? mag(rng) : -mag(rng);
    }
    const Vec3 dir{d[0], d[1], d[2]};
    // Aim at a point near the box from a random distance in front or behind,
    // so that hits, misses and near-silhouette rays all occur.
    const Vec3 target = lo + Vec3{size(rng) - 1, size(rng) - 1, size(rng) - 1};
    const Vec3 o = target - dir * coord(rng);
    const Ray ray = make_ray(o, dir);
    ASSERT_EQ(ray.dir_class, dir_class);
    const Shape box = box_shape(lo, hi);
    const bool got = ray.box_test(&box, &ray);
    if (half_line_meets_box(o, dir, lo + kGrow, hi - kGrow)) {
      ++hits;
      ASSERT_TRUE(got) << "ray " << n << " should pass";
    } else if (!half_line_meets_box(o, dir, lo - kGrow, hi + kGrow)) {
      ++misses;
      ASSERT_FALSE(got) << "ray " << n << " should be rejected: o " << o.x << "," << o.y << ","
                        << o.z << " d " << dir.x << "," << dir.y << "," << dir.z << " box " << lo.x
                        << "," << lo.y << "," << lo.z << " .. " << hi.x << "," << hi.y << "," << hi.z;
    }
  }
  EXPECT_GT(hits, 500);
  EXPECT_GT(misses, 500);
}

INSTANTIATE_TEST_SUITE_P(AllClasses, RayBoxAgainstBruteForce, ::testing::Range(0, 8));

}  // namespace
