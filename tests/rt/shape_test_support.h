// Small helpers for the shape tests: fresh profiler per test, rays, and one
// slot-0 call into a fresh list.
#pragma once

#include <gtest/gtest.h>

#include "rt/profile.h"
#include "rt/ray.h"
#include "rt/shape.h"

class FreshProfilerTest : public ::testing::Test {
 protected:
  void SetUp() override { profile_reset(); }
  void TearDown() override { profile_reset(); }
};

inline Ray make_test_ray(const Vec3& origin, const Vec3& direction) {
  Ray ray{};
  ray.origin = origin;
  ray.direction = direction;
  ray.max_depth = 1.0e7f;
  matrix_identity(ray.matrix);
  matrix_identity(ray.inverse);
  ray_precompute(&ray, Vec3{1, 0, 0}, Vec3{0, 1, 0});
  return ray;
}

struct SlotResult {
  bool hit;
  IntervalList list;
};

inline SlotResult intersect(Shape* shape, const Ray& ray) {
  SlotResult r{};
  r.list.count = 0;
  r.hit = shape->methods->All_Intersections(shape, &ray, &r.list);
  return r;
}

inline Vec3 normal_at(Shape* shape, const Hit& hit) {
  Vec3 n{};
  EXPECT_EQ(shape->methods->Normal(&n, shape, &hit), &n);
  return n;
}

inline void expect_vec_near(const Vec3& got, const Vec3& want, float tol = 1e-5f) {
  EXPECT_NEAR(got.x, want.x, tol);
  EXPECT_NEAR(got.y, want.y, tol);
  EXPECT_NEAR(got.z, want.z, tol);
}
